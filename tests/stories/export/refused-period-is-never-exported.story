# A from-date after today is refused: the window shows nothing to export, and neither the build button's
# access key nor Enter writes a journal of the period the invoice numbers on screen still name.
demo
fill ?GLO:ODDATUMA 05.04.2019
alt i
enter
look
close-box
