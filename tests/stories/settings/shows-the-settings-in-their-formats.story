# The settings window shows the settings of KIRVA.INI: folders as they stand, rates with two places and
# " %", the identification.
demo
ini GLOBAL BrisanjeDelPodat 1
ini OPAL Firma ACME d.o.o.
click ?GUMBNASTAVITVE:2
look
close-box
close-box
