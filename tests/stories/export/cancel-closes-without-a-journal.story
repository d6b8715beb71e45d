# PREKLIČI closes the window, cancelled, without a journal.
demo
click ?CANCEL
