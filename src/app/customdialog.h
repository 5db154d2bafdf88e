// Help > About: a frameless dialog that paints its own title strip and can be dragged by it.
#pragma once

#include <QDialog>
#include <QPoint>

class CustomDialog : public QDialog
{
    Q_OBJECT

public:
    explicit CustomDialog(QWidget *parent = nullptr);

    // Starts decoding the logo on the start-up worker; the next dialog built takes it.
    static void decodeLogoAhead();

    QString versionText;
    QPoint dragOffset;

    static constexpr int titleStripHeight = 30;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // Only a press inside the strip may start moving the dialog; without this a press in the
    // body followed by a move into the strip would jump the dialog by a stale offset.
    bool dragStartedInStrip = false;
};
