#include "assets/Pictures.h"

// The resources live in a static library: nothing would pull them into the program unless they
// are initialised by name.
static void initPictures()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(pictures);
        return true;
    }();
    (void)done;
}

namespace pictures {

QPixmap scale()
{
    initPictures();
    return QPixmap(QStringLiteral(":/pictures/scale.png"));
}

QPixmap newVersion()
{
    initPictures();
    return QPixmap(QStringLiteral(":/pictures/new-version.png"));
}

} // namespace pictures
