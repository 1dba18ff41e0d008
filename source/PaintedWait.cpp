#include "PaintedWait.h"

#include <QEventLoop>
#include <QTimer>

namespace source {

void paintedWait(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace source
