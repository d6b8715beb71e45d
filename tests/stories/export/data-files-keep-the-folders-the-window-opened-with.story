# A new invoice folder set in the settings window is saved but the open window keeps counting the book it
# opened with; no file is made in the new folder.
demo
mkdir empty
click ?GUMBNASTAVITVE:2
fill ?GLO:POTDOIZDANIHRACUNOV $DIR/empty/
click 24
fill ?GLO:ODDATUMA 02.02.2019
fill ?GLO:ODDATUMA 01.02.2019
look
close-box
