# A to-date after today is refused: the warning, the focus to the to-date, no count.
demo
fill ?GLO:DODATUMA 20.03.2019
look
close-box
