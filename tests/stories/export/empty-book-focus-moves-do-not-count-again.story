# An empty book: the first count finds nothing, the focus goes to ?CANCEL; moving the focus between the
# date fields does not count again, accepting a changed date does.
complete
look
focus ?GLO:ODDATUMA
tab
focus ?GLO:ODDATUMA
fill ?GLO:DODATUMA 27.02.2019
look
close-box
