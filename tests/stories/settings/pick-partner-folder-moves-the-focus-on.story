# The partners' "..." button: the picker, the entry redisplayed, the GLOBAL keys written, the focus on to
# the output folder.
demo
click ?GUMBNASTAVITVE:2
pick /data/kupci/
click 7
look
click 25
close-box
