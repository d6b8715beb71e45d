# The folder check belongs to IZDELAJ's focus: tabbing onto PREKLIČI checks nothing.
demo
ini GLOBAL PotDoXMLRacunov
focus ?LOC:STEVILORACUNOV
click ?CANCEL
