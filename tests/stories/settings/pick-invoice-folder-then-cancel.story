# Picking the invoice folder writes the four GLOBAL keys at once and moves the focus on to the next
# control; PREKLIČI then writes nothing more, yet the typed values stay in force (shown on reopening).
demo
ini DAVKI StopnjaDDVvisja 22
ini OPAL Firma STARA
click ?GUMBNASTAVITVE:2
fill ?GLO:POTDOPARTNERJEV /data/kupci/
pick /data/racuni
click 4
fill ?GLO:STOPNJADDVVISJA 25
fill ?GLO:FIRMAOPAL NOVA
click 25
click ?GUMBNASTAVITVE:2
look
click 25
close-box
