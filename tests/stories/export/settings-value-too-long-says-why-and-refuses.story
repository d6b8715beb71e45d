# A Firma of 57 characters, seven more than the program holds: the window opens and says why once, in
# Slovenian, the build button's access key writes nothing, and KIRVA.INI is left as it was.
demo
ini OPAL Firma DEMO_Trgovina_in_storitve_d.o.o._Ljubljana_Celovska_cesta
alt i
look
close-box
