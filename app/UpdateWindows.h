#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// Offers a newer version: a headline, the question, the release notes.
class UpdateWindow : public QDialog {
    Q_OBJECT
public:
    explicit UpdateWindow(QWidget* parent = nullptr);

    QLabel* newversionlab;
    QLabel* currentversionlab;
    QPlainTextEdit* whatsnewContentView;
    QLabel* bottomImageView;
    QPushButton* notNowButton;
    QPushButton* downloadButton;
};

// Says that the version in use is the newest.
class NoUpdateWindow : public QDialog {
    Q_OBJECT
public:
    explicit NoUpdateWindow(QWidget* parent = nullptr);

    QLabel* messageLabel;
    QPushButton* okButton;
};
