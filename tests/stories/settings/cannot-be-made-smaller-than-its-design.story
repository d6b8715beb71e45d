# The design size is the least size.
demo
click ?GUMBNASTAVITVE:2
resize 100 100
place
click 25
close-box
