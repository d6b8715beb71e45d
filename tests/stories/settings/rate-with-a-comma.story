# A rate typed as 8,5 shows as 8,50 % and is written as 8.5 by SHRANI (Enter presses it).
demo
click ?GUMBNASTAVITVE:2
fill ?GLO:STOPNJADDVNIZJA 8,5
look
enter
close-box
