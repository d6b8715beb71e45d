# A folder where SFENPA.DB should be: the fatal message, the window never opens, the program still goes
# down in its order (the INI manager's bookkeeping is written).
complete
mkdir SFENPA.DB
