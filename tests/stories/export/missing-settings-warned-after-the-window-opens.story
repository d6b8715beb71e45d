# No KIRVA.INI: the window opens first, then warns about the folders and then about the identification;
# the data files are made empty in the current folder, so the period holds nothing.
look
close-box
