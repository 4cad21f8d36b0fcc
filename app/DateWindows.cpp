#include "app/DateWindows.h"

#include "app/DateTimeField.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

DateTimeField* dateField(const QString& name) {
    auto* field = new DateTimeField;
    field->setObjectName(name);
    return field;
}

QHBoxLayout* buttonRow(QPushButton* cancel, QPushButton* save) {
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(cancel);
    row->addWidget(save);
    save->setDefault(true);
    return row;
}

} // namespace

ChangeDateWindow::ChangeDateWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("changeDateWindow"));
    setWindowTitle(tr("Change Date"));
    orignalDatelab = dateField(QStringLiteral("orignalDatelab"));
    diginalDatelab = dateField(QStringLiteral("diginalDatelab"));
    saveButton = new QPushButton(tr("Save"));
    cancelButton = new QPushButton(tr("Cancel"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    form->addRow(tr("Original date"), orignalDatelab);
    form->addRow(tr("Digitized date"), diginalDatelab);
    layout->addLayout(form);
    layout->addLayout(buttonRow(cancelButton, saveButton));
    setModal(false);
    setSizeGripEnabled(true);
}

ChangeMutiDateWindow::ChangeMutiDateWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("changeMutiDateWindow"));
    setWindowTitle(tr("Change Dates of Several Photos"));
    auto* layout = new QVBoxLayout(this);

    auto* preview = new QGroupBox(tr("Shift by a preview photo"));
    auto* previewLayout = new QGridLayout(preview);
    dateChoosePhotoBtn = new QPushButton(tr("Choose Photo…"));
    dateChoosePhotoBtn->setObjectName(QStringLiteral("dateChoosePhotoBtn"));
    dateImageview = new QLabel;
    dateImageview->setObjectName(QStringLiteral("dateImageview"));
    dateImageview->setFixedSize(120, 90);
    dateImageview->setAlignment(Qt::AlignCenter);
    dateImageview->hide();
    beforeorignalDatelab = dateField(QStringLiteral("beforeorignalDatelab"));
    beforediginalDatelab = dateField(QStringLiteral("beforediginalDatelab"));
    for (DateTimeField* before : {beforeorignalDatelab, beforediginalDatelab})
        before->setReadOnly(true);
    afterorignalDatelab = dateField(QStringLiteral("afterorignalDatelab"));
    afterdiginalDatelab = dateField(QStringLiteral("afterdiginalDatelab"));
    auto* photoBox = new QVBoxLayout;
    photoBox->addWidget(dateChoosePhotoBtn);
    photoBox->addWidget(dateImageview);
    photoBox->addStretch(1);
    previewLayout->addLayout(photoBox, 0, 0, 3, 1);
    previewLayout->addWidget(new QLabel(tr("Before")), 0, 2);
    previewLayout->addWidget(new QLabel(tr("After")), 0, 3);
    previewLayout->addWidget(new QLabel(tr("Original")), 1, 1);
    previewLayout->addWidget(beforeorignalDatelab, 1, 2);
    previewLayout->addWidget(afterorignalDatelab, 1, 3);
    previewLayout->addWidget(new QLabel(tr("Digitized")), 2, 1);
    previewLayout->addWidget(beforediginalDatelab, 2, 2);
    previewLayout->addWidget(afterdiginalDatelab, 2, 3);
    layout->addWidget(preview);

    auto* setBox = new QGroupBox(tr("Set one date"));
    auto* setLayout = new QFormLayout(setBox);
    mutSetDatelab = dateField(QStringLiteral("mutSetDatelab"));
    setLayout->addRow(tr("Date"), mutSetDatelab);
    layout->addWidget(setBox);

    auto* amountBox = new QGroupBox(tr("Shift by an amount"));
    auto* amountLayout = new QGridLayout(amountBox);
    AddTimeBtn = new QPushButton(tr("Add Time"));
    AddTimeBtn->setObjectName(QStringLiteral("AddTimeBtn"));
    RemoveTimeBtn = new QPushButton(tr("Subtract Time"));
    RemoveTimeBtn->setObjectName(QStringLiteral("RemoveTimeBtn"));
    for (QPushButton* toggle : {AddTimeBtn, RemoveTimeBtn})
        toggle->setCheckable(true);
    AddTimeBtn->setChecked(true);
    amountLayout->addWidget(AddTimeBtn, 0, 0, 1, 3);
    amountLayout->addWidget(RemoveTimeBtn, 0, 3, 1, 3);
    const QList<std::pair<QString, QLineEdit**>> amounts = {
        {tr("Years"), &yearVaulab}, {tr("Months"), &monthVaulab}, {tr("Days"), &dayVaulab},
        {tr("Hours"), &hourVaulab}, {tr("Minutes"), &minuVaulab}, {tr("Seconds"), &secVaulab}};
    const QStringList names = {QStringLiteral("yearVaulab"), QStringLiteral("monthVaulab"),
                               QStringLiteral("dayVaulab"),  QStringLiteral("hourVaulab"),
                               QStringLiteral("minuVaulab"), QStringLiteral("secVaulab")};
    for (int i = 0; i < amounts.size(); ++i) {
        auto* field = new QLineEdit;
        field->setObjectName(names[i]);
        field->setPlaceholderText(QStringLiteral("0"));
        field->setMaximumWidth(70);
        *amounts[i].second = field;
        amountLayout->addWidget(new QLabel(amounts[i].first), 1 + i / 3, (i % 3) * 2);
        amountLayout->addWidget(field, 1 + i / 3, (i % 3) * 2 + 1);
    }
    layout->addWidget(amountBox);

    auto* hint = new QLabel(tr("A chosen preview photo shifts by its difference; otherwise a "
                               "date sets every photo; otherwise the amount shifts them."));
    hint->setWordWrap(true);
    layout->addWidget(hint);
    saveButton = new QPushButton(tr("Save"));
    cancelButton = new QPushButton(tr("Cancel"));
    layout->addLayout(buttonRow(cancelButton, saveButton));
    setModal(false);
    setSizeGripEnabled(true);
}

QList<QLineEdit*> ChangeMutiDateWindow::amountFields() const {
    return {yearVaulab, monthVaulab, dayVaulab, hourVaulab, minuVaulab, secVaulab};
}

QList<DateTimeField*> ChangeMutiDateWindow::datesToEmpty() const {
    return {mutSetDatelab, beforeorignalDatelab, beforediginalDatelab, afterorignalDatelab,
            afterdiginalDatelab};
}

void ChangeMutiDateWindow::showPreviewPhoto(const QImage& image) {
    if (!image.isNull())
        dateImageview->setPixmap(QPixmap::fromImage(
            image.scaled(dateImageview->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    m_hasPreview = true;
    dateChoosePhotoBtn->hide();
    dateImageview->show();
}

void ChangeMutiDateWindow::removePreviewPhoto() {
    m_hasPreview = false;
    dateImageview->clear();
    dateImageview->hide();
    dateChoosePhotoBtn->show();
}
