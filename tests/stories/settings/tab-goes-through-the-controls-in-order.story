# Tab reaches every control of the settings window in its order and round again.
demo
click ?GUMBNASTAVITVE:2
focus ?GLO:POTDOIZDANIHRACUNOV
tab
tab
tab
tab
tab
tab
tab
tab
tab
tab
tab
tab
tab
tab
click 25
close-box
