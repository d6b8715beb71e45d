# Accepting an empty to-date is refused; accepting the from-date while the to-date is empty is not.
demo
fill ?GLO:DODATUMA
fill ?GLO:ODDATUMA 01.01.2019
look
close-box
