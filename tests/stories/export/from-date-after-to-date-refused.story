# A from-date after the to-date is refused and not counted; the focus goes to the to-date.
demo
fill ?GLO:ODDATUMA 01.03.2019
look
close-box
