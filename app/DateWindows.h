#pragma once

#include <QDialog>

class DateTimeField;
class QLabel;
class QLineEdit;
class QPushButton;

// The date window: the current photo's original and digitized dates.
class ChangeDateWindow : public QDialog {
    Q_OBJECT
public:
    explicit ChangeDateWindow(QWidget* parent = nullptr);

    DateTimeField* orignalDatelab;
    DateTimeField* diginalDatelab;
    QPushButton* saveButton;
    QPushButton* cancelButton;
};

// The batch date window: a preview shift, one date for all, or an amount.
class ChangeMutiDateWindow : public QDialog {
    Q_OBJECT
public:
    explicit ChangeMutiDateWindow(QWidget* parent = nullptr);

    QPushButton* dateChoosePhotoBtn;
    QLabel* dateImageview;
    DateTimeField* beforeorignalDatelab; // read only: the preview photo's dates
    DateTimeField* beforediginalDatelab;
    DateTimeField* afterorignalDatelab;
    DateTimeField* afterdiginalDatelab;
    DateTimeField* mutSetDatelab;
    QPushButton* AddTimeBtn;
    QPushButton* RemoveTimeBtn;
    QLineEdit* yearVaulab;
    QLineEdit* monthVaulab;
    QLineEdit* dayVaulab;
    QLineEdit* hourVaulab;
    QLineEdit* minuVaulab;
    QLineEdit* secVaulab;
    QPushButton* saveButton;
    QPushButton* cancelButton;

    // The texts a completed save or a cancel empties: the dates and the amounts.
    QList<DateTimeField*> datesToEmpty() const;
    QList<QLineEdit*> amountFields() const;
    // Whether a preview photo is shown (chosen since the last cancel).
    bool hasPreviewPhoto() const { return m_hasPreview; }
    void showPreviewPhoto(const QImage& image);
    void removePreviewPhoto();

private:
    bool m_hasPreview = false;
};
