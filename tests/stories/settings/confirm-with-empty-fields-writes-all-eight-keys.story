# No KIRVA.INI: after the warnings, SHRANI in the settings window writes all eight keys, empty.
click ?GUMBNASTAVITVE:2
click 24
close-box
