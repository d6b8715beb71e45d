// Qt outside platform/qt/ and desktop/: refused too.
#include <QWidget>
