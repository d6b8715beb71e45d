# Enter in a date field accepts it; each accepted date counts the period again.
demo
type ?GLO:ODDATUMA 01.01.2019
enter
type ?GLO:DODATUMA 31.01.2019
enter
look
close-box
