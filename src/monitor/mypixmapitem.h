// A pedal top that stays smooth while it turns: the default pixmap item draws without
// antialiasing, which makes a rotated picture look jagged.
#pragma once

#include <QGraphicsPixmapItem>

class MyPixmapItem : public QGraphicsPixmapItem
{
public:
    using QGraphicsPixmapItem::QGraphicsPixmapItem;

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;
};
