# Moved and enlarged, then closed: the place and size are written and the window reopens there.
demo
click ?GUMBNASTAVITVE:2
place
move 40 30
resize 400 380
click 25
click ?GUMBNASTAVITVE:2
place
click 25
close-box
