# On the demo data the window opens on the previous month (15 March 2019: February), counts it and is ready
# to build; the window's font-name property reads Arial CE.
demo
look
close-box
