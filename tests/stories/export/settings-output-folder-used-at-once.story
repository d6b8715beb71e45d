# An output folder set in the settings window is used by the next run at once.
demo
mkdir elsewhere
click ?GUMBNASTAVITVE:2
fill ?GLO:POTDOXMLRACUNOV $DIR/elsewhere/
click 24
click ?OKBUTTON
