// The window's live monitor: live frames are queued as they arrive and drained in small
// batches, so a burst from the pedal never freezes the window, then listed in the three
// tables and routed to the pedal picture of the page being edited.
#include "app/widget.h"

#include "monitor/liveframe.h"
#include "monitor/monitortablemodel.h"
#include "ui_widget.h"

#include <QCoreApplication>
#include <QDebug>
#include <QGraphicsView>
#include <QPointer>
#include <QTimer>

namespace {
const QString kTriggerOff = QStringLiteral("OFF");

QCheckBox *filterBoxFor(const Ui::Widget *ui, int pedalType)
{
    switch (pedalType) {
    case 0:
        return ui->checkBox_ex;
    case 1:
        return ui->checkBox_sw;
    case 2:
        return ui->checkBox_ht;
    default:
        return nullptr;
    }
}

Monitor::PageState currentPageState(const Ui::Widget *ui)
{
    Monitor::PageState page;
    page.pedalType = ui->pendal_type_comboBox0->currentIndex();
    page.messageIndex = ui->Message_Number->currentIndex();
    const QCheckBox *filter = filterBoxFor(ui, page.pedalType);
    page.filterOnly = filter && filter->isChecked();
    page.expressionEvent = ui->expression_comboBox0->currentIndex();
    page.triggerOff = ui->expression_trigger_level->currentText() == kTriggerOff;
    page.triggerLevel = ui->expression_trigger_level->currentIndex();
    page.switchEvent = ui->switch_comboBox0->currentIndex();
    page.hatEvent = ui->hat_comboBox0->currentIndex();
    return page;
}

} // namespace

void Widget::enqueueLiveFrame(const QByteArray &frame)
{
    if (Monitor::enqueueBounded(liveFrameQueue, frame))
        qDebug() << "live frame queue full, oldest frame dropped";
    if (liveQueueBusy)
        return;
    liveQueueBusy = true;
    QMetaObject::invokeMethod(this, &Widget::drainLiveFrames, Qt::QueuedConnection);
}

void Widget::drainLiveFrames()
{
    // Only a queued call starts a drain; a nested call while events are processed returns.
    if (liveDrainRunning)
        return;
    liveDrainRunning = true;
    const QPointer<Widget> alive(this);
    holdMonitorRepaints();
    const auto processPending = [&] {
        flushMonitorRows();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (alive.isNull())
            return false;
        holdMonitorRepaints();
        return true;
    };

    while (!liveFrameQueue.isEmpty()) {
        for (int batch = 0; batch < Monitor::kDrainBatchesPerRound && !liveFrameQueue.isEmpty();
             ++batch) {
            for (int i = 0; i < Monitor::kDrainBatchSize && !liveFrameQueue.isEmpty(); ++i)
                showLiveFrame(liveFrameQueue.takeFirst());
            // Serial data, timers and repaints are served between batches; user input
            // waits until the queue is empty.
            if (!processPending())
                return;
        }
        if (!processPending())
            return;
    }
    flushMonitorRows();
    liveQueueBusy = false;
    liveDrainRunning = false;
}

void Widget::flushMonitorRows()
{
    if (pendingMonitorRows.isEmpty())
        return;
    // One insertion per table for the whole batch; the models drop their oldest rows.
    const std::pair<MonitorTableModel *, QTableView *> tables[] = {
        {model, ui->tableView}, {model_2, ui->tableView_2}, {model_3, ui->tableView_3}};
    for (const auto &[tableModel, view] : tables) {
        if (!tableModel)
            continue;
        tableModel->appendRows(pendingMonitorRows);
        if (view)
            view->scrollToBottom();
    }
    pendingMonitorRows.clear();
}

// Live frames can come far faster than a screen shows them. The monitor's views are kept from
// painting while frames are worked off and let go once a display frame, so a stream costs
// sixty repaints a second rather than one per batch; the last rows show within that frame.
void Widget::holdMonitorRepaints()
{
    if (!monitorRepaintTimer) {
        monitorRepaintTimer = new QTimer(this);
        monitorRepaintTimer->setSingleShot(true);
        monitorRepaintTimer->setInterval(Monitor::kMonitorRepaintIntervalMs);
        connect(monitorRepaintTimer, &QTimer::timeout, this, &Widget::releaseMonitorRepaints);
    }
    if (!monitorRepaintsHeld) {
        monitorRepaintsHeld = true;
        setMonitorRepaintsEnabled(false);
    }
    if (!monitorRepaintTimer->isActive())
        monitorRepaintTimer->start();
}

void Widget::releaseMonitorRepaints()
{
    if (!monitorRepaintsHeld)
        return;
    monitorRepaintsHeld = false;
    setMonitorRepaintsEnabled(true);
    // Painted at once: a drain may hold the views again before a posted repaint comes round.
    for (QWidget *view : monitorViews())
        if (view->isVisible())
            view->repaint();
}

QList<QWidget *> Widget::monitorViews() const
{
    QList<QWidget *> views;
    for (QWidget *view :
         {static_cast<QWidget *>(ui->tableView), static_cast<QWidget *>(ui->tableView_2),
          static_cast<QWidget *>(ui->tableView_3), static_cast<QWidget *>(expressionView),
          static_cast<QWidget *>(hiHatView), static_cast<QWidget *>(switchView)})
        if (view)
            views << view;
    return views;
}

void Widget::setMonitorRepaintsEnabled(bool on)
{
    for (QWidget *view : monitorViews())
        view->setUpdatesEnabled(on);
}

void Widget::showLiveFrame(const QByteArray &frame)
{
    const Monitor::DecodedFrame decoded =
        Monitor::decodeLiveFrame(frame, NoteNaming, showCCNameEnabled);
    if (decoded.empty) {
        qDebug() << "empty live frame dropped";
        return;
    }
    const Monitor::LiveFrameOutcome outcome =
        Monitor::routeLiveFrame(decoded, currentPageState(ui), Monitor::triggerIgnoreCount());
    if (outcome.listed) {
        const Monitor::MonitorRow &row = decoded.row;
        appendMonitorRow(row.event, row.no, row.value, row.channel);
    }
    switch (outcome.picture) {
    case Monitor::Picture::Expression:
        animateExpressionPedal(outcome.pictureValue);
        break;
    case Monitor::Picture::HiHat:
        animateHiHatPedal(outcome.pictureValue);
        break;
    case Monitor::Picture::Switch:
        animateSwitchPedal(outcome.pictureValue);
        break;
    case Monitor::Picture::None:
        break;
    }
}

void Widget::appendMonitorRow(const QString &event, const QString &no, const QString &value,
                              const QString &channel)
{
    pendingMonitorRows.append({event, no, value, channel});
    // Inside a drain the rows go in just before the next event-processing pass, the first
    // moment anybody can see them.
    if (!liveDrainRunning)
        flushMonitorRows();
}

void Widget::clearMonitorTables()
{
    // The queue and the trigger-level count are left alone: only the rows go.
    for (MonitorTableModel *tableModel : {model, model_2, model_3})
        if (tableModel)
            tableModel->clear();
}

void Widget::on_clearButton_clicked()
{
    clearMonitorTables();
}

void Widget::on_clearButton_2_clicked()
{
    clearMonitorTables();
}

void Widget::on_clearButton_3_clicked()
{
    clearMonitorTables();
}
