# Tab goes through every field and button in field order and round again.
demo
focus ?GLO:ODDATUMA
tab
tab
tab
tab
tab
tab
tab
tab
close-box
