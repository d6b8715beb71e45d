# No output folder: when IZDELAJ gets the focus the folders are checked and the window says so; Alt+I then
# writes nothing anywhere.
demo
ini GLOBAL PotDoXMLRacunov
alt I
look
close-box
