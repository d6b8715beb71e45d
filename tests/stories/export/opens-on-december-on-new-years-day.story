# Opened on 1 January 2020 the period is the whole of December 2019.
today 01.01.2020
complete
look
close-box
