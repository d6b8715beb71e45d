# Width=2000 on a screen 1280 units wide: the window is as wide as the screen, SHRANI and PREKLIČI on it.
demo
ini NastavitvePrograma Maximize No
ini NastavitvePrograma Minimize No
ini NastavitvePrograma XPos 200
ini NastavitvePrograma YPos 100
ini NastavitvePrograma Width 2000
ini NastavitvePrograma Height 400
click ?GUMBNASTAVITVE:2
place
click 25
close-box
