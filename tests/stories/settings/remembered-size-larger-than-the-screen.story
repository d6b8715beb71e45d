# A remembered size far beyond the screen: the window opens fitted to the screen (size first, then place),
# its buttons on it.
demo
ini NastavitvePrograma Maximize No
ini NastavitvePrograma Minimize No
ini NastavitvePrograma XPos 100
ini NastavitvePrograma YPos 50
ini NastavitvePrograma Width 99999999
ini NastavitvePrograma Height 99999999
click ?GUMBNASTAVITVE:2
place
click 25
close-box
