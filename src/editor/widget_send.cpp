// The window's Set, Delete and Factory Reset: the editor's selectors read into one
// configuration message, the requests written in one write each, and the pedal's answers shown.
#include "app/widget.h"

#include "common/userprompt.h"
#include "editor/configuration.h"
#include "link/serialport.h"
#include "protocol/messages.h"
#include "ui_widget.h"

#include <QAction>
#include <QComboBox>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

namespace {

// A result box waits for the event loop, so the reply that caused it is handled first.
constexpr int kPostedBoxDelayMs = 0;

RangePageState rangePage(QComboBox *channel, QComboBox *number, QComboBox *min, QComboBox *max,
                         QComboBox *gain, QComboBox *curve)
{
    RangePageState page;
    page.channel = channel->currentIndex();
    page.number = number ? number->currentIndex() : -1;
    page.min = min->currentIndex();
    page.max = max->currentIndex();
    page.gain = gain->currentIndex();
    page.curve = curve->currentIndex();
    return page;
}

SwitchPageState switchPage(QComboBox *mode, QComboBox *channel = nullptr,
                           QComboBox *number = nullptr, QComboBox *min = nullptr,
                           QComboBox *max = nullptr)
{
    SwitchPageState page;
    page.mode = mode->currentIndex();
    page.modeText = mode->currentText();
    page.channel = channel ? channel->currentIndex() : -1;
    page.number = number ? number->currentIndex() : -1;
    page.min = min ? min->currentIndex() : -1;
    page.max = max ? max->currentIndex() : -1;
    return page;
}

EditorState readEditorState(const Ui::Widget *ui)
{
    EditorState s;
    s.pedalIndex = ui->Pedal_Number->currentIndex();
    s.messageIndex = ui->Message_Number->currentIndex();
    s.pedalNumberText = ui->Pedal_Number->currentText();
    s.pedalTypePage = ui->pedal_type_stack->currentIndex();
    s.pedalTypeText = ui->pendal_type_comboBox0->currentText();

    s.expressionEventText = ui->expression_comboBox0->currentText();
    s.expressionPage = ui->expression_stackedWidget->currentIndex();
    s.expressionPages[ExpressionCcPage] =
        rangePage(ui->expression_cc_comboBox_chl, ui->expression_cc_comboBox_ctl,
                  ui->expression_cc_comboBox_valmin, ui->expression_cc_comboBox_valmax,
                  ui->expression_cc_comboBox_gain, ui->expression_cc_comboBox_ql);
    s.expressionPages[ExpressionNotePage] =
        rangePage(ui->expression_note_comboBox_chl, ui->expression_note_comboBox_ctl,
                  ui->expression_note_comboBox_valmin, ui->expression_note_comboBox_valmax,
                  ui->expression_note_comboBox_gain, ui->expression_note_comboBox_ql);
    s.expressionPages[ExpressionPitchPage] =
        rangePage(ui->expression_pitch_comboBox_chl, nullptr, ui->expression_pitch_comboBox_valmin,
                  ui->expression_pitch_comboBox_valmax, ui->expression_pitch_comboBox_gain,
                  ui->expression_pitch_comboBox_ql);
    s.expressionPages[ExpressionPressurePage] =
        rangePage(ui->expression_ch_comboBox_chl, nullptr, ui->expression_ch_comboBox_val1,
                  ui->expression_ch_comboBox_val2, ui->expression_ch_comboBox_gain,
                  ui->expression_ch_comboBox_ql);
    s.expressionTriggerLevel = ui->expression_trigger_level->currentIndex();
    s.expressionPressNote = ui->expression_press_note->currentIndex();
    s.expressionReleaseNote = ui->expression_release_note->currentIndex();
    s.expressionInverted = ui->ex_Evert_checkBox->isChecked();

    s.switchEventText = ui->switch_comboBox0->currentText();
    s.switchPage = ui->switch_stackedWidget->currentIndex();
    s.switchPages[SwitchCcPage] = switchPage(
        ui->switch_cc_comboBox_mode, ui->switch_cc_comboBox_chl, ui->switch_cc_comboBox_ctl,
        ui->switch_cc_comboBox_valmin, ui->switch_cc_comboBox_valmax);
    s.switchPages[SwitchNotePage] = switchPage(
        ui->switch_note_comboBox_mode, ui->switch_note_comboBox_chl, ui->switch_note_comboBox_nno,
        ui->switch_note_comboBox_valmin, ui->switch_note_comboBox_valmax);
    s.switchPages[SwitchProgramPage] =
        switchPage(ui->switch_pc_comboBox_mode, ui->switch_pc_comboBox_chl, nullptr,
                   ui->switch_pc_comboBox_valmin, ui->switch_pc_comboBox_valmax);
    s.switchPages[SwitchStopPage] = switchPage(ui->switch_stop_comboBox_mode);
    s.switchPages[SwitchContinuePage] = switchPage(ui->switch_ctu_comboBox_mode);
    s.switchPages[SwitchStartPage] = switchPage(ui->switch_start_comboBox_mode);
    s.switchPages[SwitchTempoPage] = switchPage(ui->switch_tempo_comboBox_mode);
    s.tempoPageEventText = ui->switch_comboBox6->currentText();
    s.switchInverted = ui->sw_Evert_checkBox->isChecked();

    s.hatEventText = ui->hat_comboBox0->currentText();
    s.hatPage = ui->hat_stackedWidget->currentIndex();
    s.hatPages[HatCcPage] =
        rangePage(ui->hat_cc_comboBox_chl, ui->hat_cc_comboBox_ctl, ui->hat_cc_comboBox_valmin,
                  ui->hat_cc_comboBox_valmax, ui->hat_cc_comboBox_gain, ui->hat_cc_comboBox_ql);
    s.hatPages[HatNotePage] = rangePage(ui->hat_note_comboBox_chl, ui->hat_note_comboBox_ctl,
                                        ui->hat_note_comboBox_valmin, ui->hat_note_comboBox_valmax,
                                        ui->hat_note_comboBox_gain, ui->hat_note_comboBox_ql);
    s.hatTriggerLevel = ui->hat_trigger_level->currentIndex();
    s.hatPressNote = ui->hat_press_note->currentIndex();
    s.hatReleaseNote = ui->hat_release_note->currentIndex();
    s.hatInverted = ui->ht_Evert_checkBox->isChecked();

    // Before the Expression plot exists, a default curve reaches its maximum only at full travel.
    s.saturationPercent = Widget::expressionSaturationPercent(ui, kDefaultSaturationPercent);
    return s;
}

} // namespace

void Widget::initSending()
{
    connect(factoryResetAction, &QAction::triggered, this, &Widget::confirmFactoryReset);
}

QByteArray Widget::buildConfiguration() const
{
    return ::buildConfiguration(readEditorState(ui), eventTypeCodes);
}

void Widget::sendConfiguration()
{
    // A closed port cannot take the write; the user is not told, as with any pedal message.
    if (serialPort->isOpen())
        serialPort->write(buildConfiguration());
}

void Widget::on_setButton_6_clicked()
{
    sendConfiguration();
}

void Widget::on_setButton_9_clicked()
{
    sendConfiguration();
}

void Widget::on_setButton_7_clicked()
{
    sendConfiguration();
}

void Widget::sendDeleteRequest()
{
    if (serialPort->isOpen())
        serialPort->write(Protocol::deleteRequest(ui->Pedal_Number->currentIndex()));
}

void Widget::on_pushButton_clicked()
{
    sendDeleteRequest();
}

void Widget::on_pushButton_3_clicked()
{
    sendDeleteRequest();
}

void Widget::on_pushButton_2_clicked()
{
    sendDeleteRequest();
}

void Widget::on_deleteButton_clicked()
{
    sendDeleteRequest();
}

void Widget::confirmFactoryReset()
{
    const auto answer =
        UserPrompt::show(this, QMessageBox::Question, QStringLiteral("Reset"),
                         QStringLiteral("Factory Reset?"), QMessageBox::Ok | QMessageBox::Cancel);
    if (answer == QMessageBox::Ok && serialPort->isOpen())
        serialPort->write(Protocol::factoryResetRequest());
}

void Widget::postInformation(const QString &title, const QString &text, bool richText)
{
    QTimer::singleShot(kPostedBoxDelayMs, this, [this, title, text, richText] {
        QPointer<QMessageBox> box =
            new QMessageBox(QMessageBox::Information, title, text, QMessageBox::Ok, this);
        if (richText) {
            box->setTextFormat(Qt::RichText);
            // Selectable, and the link opens in the browser.
            box->setTextInteractionFlags(Qt::TextBrowserInteraction);
        }
        UserPrompt::exec(box);
        delete box;
    });
}

void Widget::showSetResult(const QByteArray &acknowledgment)
{
    const std::optional<int> result = Protocol::setAcknowledgmentResult(acknowledgment);
    if (!result)
        return;
    const QString title = QStringLiteral("Information");
    if (const std::optional<QString> text = setResultText(*result))
        postInformation(title, *text, false);
    else
        postInformation(title, latestReleaseText(), true);
}

void Widget::showDeleteResult(const QByteArray &acknowledgment)
{
    if (Protocol::isDeleteAcknowledgment(acknowledgment))
        postInformation(QStringLiteral("Information"), QStringLiteral("Delete message success!"),
                        false);
}
