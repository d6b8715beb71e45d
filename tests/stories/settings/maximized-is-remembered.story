# Closed maximised: Maximize=Yes and no place is written; it reopens maximised.
demo
click ?GUMBNASTAVITVE:2
maximize
click 25
click ?GUMBNASTAVITVE:2
place
click 25
close-box
