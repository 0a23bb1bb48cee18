#include "design.h"

#include <QWidget>

namespace Design {

void place(QWidget *w, const char *name, int left, int top, int width, int height)
{
    w->setObjectName(QString::fromLatin1(name));
    w->setGeometry(rect(left, top, width, height));
}

} // namespace Design
