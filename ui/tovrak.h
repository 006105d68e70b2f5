#pragma once

// Complete widget types, as a uic header gives them to the window using the form.
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QWidget>

// The main window's form. Written by hand rather than by uic: uic re-translates
// combo box entries in place, while this form must refill the language box on
// every re-translation, which also brings it back to its first entry.
// resources/tovrak.ui describes the same form for Qt Designer.
class Ui_Tovrak
{
public:
    // Non-owning: the window's parent tree owns everything.
    QWidget *centralWidget = nullptr;
    QWidget *layoutWidget = nullptr;
    QGridLayout *gridLayout = nullptr;
    QLabel *label_2 = nullptr;
    QLineEdit *IDsequen = nullptr;
    QLineEdit *filePathLine = nullptr;
    QPushButton *connectBtn = nullptr;
    QLabel *languageLabel = nullptr;
    QPushButton *saveBtn = nullptr;
    QHBoxLayout *horizontalLayout = nullptr;
    QComboBox *LanguageCmbBx = nullptr;
    QLabel *label = nullptr;

    void setupUi(QMainWindow *window);
    void retranslateUi(QMainWindow *window);
};
