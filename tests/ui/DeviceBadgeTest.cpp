#include "ui/DeviceBadge.h"

#include <QImage>
#include <gtest/gtest.h>

using namespace ostrel;

TEST(DeviceBadge, KeepsItsSizeAndItsSymbolInsideAtEveryPixelRatio) {
    const QColor blue(0x0a, 0x84, 0xff);
    for (const qreal ratio : {1.0, 1.5, 2.0}) {
        SCOPED_TRACE(ratio);
        const QPixmap badge = DeviceBadge::draw(QStringLiteral("camera.fill"), blue, ratio);
        EXPECT_EQ(badge.devicePixelRatio(), ratio);
        EXPECT_EQ(badge.deviceIndependentSize(), QSizeF(22, 22));
        // The white symbol stays off the badge's edge: the middle of each side is badge colour.
        const QImage image = badge.toImage();
        const int last = image.width() - 1;
        const int middle = image.width() / 2;
        for (const QPoint edge :
             {QPoint(0, middle), QPoint(last, middle), QPoint(middle, 0), QPoint(middle, last)}) {
            EXPECT_EQ(image.pixelColor(edge).rgb(), blue.rgb()) << edge.x() << "," << edge.y();
        }
    }
}
