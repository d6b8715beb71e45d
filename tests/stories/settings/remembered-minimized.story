# A remembered minimised state is restored.
demo
ini NastavitvePrograma Maximize No
ini NastavitvePrograma Minimize Yes
ini NastavitvePrograma XPos 30
ini NastavitvePrograma YPos 20
click ?GUMBNASTAVITVE:2
place
restore
place
click 25
close-box
