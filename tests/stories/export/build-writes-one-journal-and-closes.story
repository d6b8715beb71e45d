# IZDELAJ writes the journal, says where it is, and the window closes with the response completed.
demo
click ?OKBUTTON
