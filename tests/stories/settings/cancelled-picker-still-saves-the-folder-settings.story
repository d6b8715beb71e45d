# A cancelled picker leaves the folder as it was and does not redisplay it, but the GLOBAL keys are still
# written and the focus still moves on.
demo
ini GLOBAL PotDoPartnerjev /old/
click ?GUMBNASTAVITVE:2
pick cancel
click 7
look
click 25
close-box
