# Picking the output folder writes nothing; after PREKLIČI the new folder is still in force until the
# program ends, but KIRVA.INI keeps the old one.
demo
click ?GUMBNASTAVITVE:2
pick /data/xml/ browse /
click 10
click 25
click ?GUMBNASTAVITVE:2
look
click 25
close-box
