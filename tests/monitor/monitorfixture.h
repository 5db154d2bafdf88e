// A window connected through a real pseudo-terminal to an emulated pedal that only streams
// live frames: it answers no query, so no read-back reply rearranges the editor under a test.
#pragma once

#include "app/widget.h"
#include "link/serialport.h"
#include "promptscript.h"
#include "sim/emulatedcatalog.h"
#include "sim/emulatedpedal.h"
#include "testdir.h"
#include "ui_widget.h"

#include <QAbstractItemModel>
#include <QTableView>
#include <QTest>

// One live frame: message number in the high nibble of byte 0, then status and data.
inline QByteArray liveFrame(int message, int status, int data1 = 0, int data2 = 0)
{
    QByteArray frame(4, '\0');
    frame[0] = char((message & 0x0F) << 4);
    frame[1] = char(status);
    frame[2] = char(data1 & 0x7F);
    frame[3] = char(data2 & 0x7F);
    return frame;
}

struct MonitorFixture
{
    explicit MonitorFixture(EmulatedCatalog *catalog)
        : listed(plugIn(catalog, pedal)), ui(window.form())
    {}

    // Selects the pedal in the port list and presses Connect, as a user would.
    bool connectPedal()
    {
        QComboBox *ports = ui->comboBox_ComDevices;
        if (!QTest::qWaitFor([&] { return ports->findText(pedal.productName()) >= 0; }, 3000))
            return false;
        ports->setCurrentIndex(ports->findText(pedal.productName()));
        QTest::mouseClick(ui->connectButton, Qt::LeftButton);
        return window.port()->isOpen();
    }

    QList<QTableView *> tables() const { return {ui->tableView, ui->tableView_2, ui->tableView_3}; }

    // Waits until every table holds `rows` rows.
    bool waitForRows(int rows, int timeoutMs = 5000) const
    {
        return QTest::qWaitFor(
            [&] {
                for (QTableView *table : tables())
                    if (table->model()->rowCount() != rows)
                        return false;
                return true;
            },
            timeoutMs);
    }

    static QStringList rowTexts(const QTableView *table, int row)
    {
        QStringList texts;
        for (int column = 0; column < table->model()->columnCount(); ++column)
            texts << table->model()->index(row, column).data().toString();
        return texts;
    }

    static bool plugIn(EmulatedCatalog *catalog, EmulatedPedal &pedal)
    {
        pedal.setSilent(true);
        catalog->addPedal(&pedal);
        return true;
    }

    ScopedWorkingDir dir; // before the window: it reads ./config.ini
    PromptScript script;
    EmulatedPedal pedal{QStringLiteral("TRV-40"), 2};
    bool listed; // in the catalog before the window first lists the ports
    Widget window;
    Ui::Widget *ui;
};
