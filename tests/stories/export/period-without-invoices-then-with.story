# A period the book holds no invoice for shows the nothing-to-export look (ZAPRI, the build button hidden,
# the cancel button still there); a period with invoices brings the ready look back.
demo
fill ?GLO:ODDATUMA 01.08.2018
fill ?GLO:DODATUMA 15.08.2018
look
fill ?GLO:DODATUMA 28.02.2019
look
close-box
