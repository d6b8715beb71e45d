# An output folder that does not exist: no journal, the window stays open with IZDELAJ available, and the
# folder is not made.
demo
ini GLOBAL PotDoXMLRacunov $DIR/missing/
click ?OKBUTTON
look
close-box
