# The information button explains the work-data option; the window stays open, the focus where it was.
demo
click ?GUMBNASTAVITVE:2
click 12
look
escape
close-box
