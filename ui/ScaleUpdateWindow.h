#pragma once

// "Kovara Scale Update": the window on which the scale is updated. It shows what it is given
// (the status, the run's progress, a page of the flash image, the flash area and the port in
// use) and reports what the user chose from its menus and buttons: the service tools that load
// the update file, program, read back, page through the image, choose the flash area, set the
// serial number and choose the port.
//
// It reports once per showing that it has become the active window (autoRunDue): the automatic
// update starts then, and a user switching windows during a run does not start a second one.

#include "core/RunProgress.h"

#include <QWidget>

class QAction;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

class ScaleUpdateWindow final : public QWidget
{
    Q_OBJECT
public:
    // versionLine: the program's name and version as the windows show it.
    explicit ScaleUpdateWindow(const QString &versionLine, QWidget *parent = nullptr);

    void setStatus(const QString &text);
    void setBusy(bool busy);
    // The run's bar and, under it, the phase, the block and the time left.
    void showProgress(const core::RunProgress &progress);
    void hideProgress();
    // Page pageNo (0 to 3) of the flash image, as its text; the page buttons follow.
    void showPage(int pageNo, const QString &text);
    void showArea(bool aprom);
    void showPort(int number);
    bool apromChosen() const;

Q_SIGNALS:
    void autoRunDue();
    void loadRequested();
    void programRequested();
    void readRequested();
    void areaChosen(bool aprom);
    void pageRequested(int step);
    // Register SN puts the number into the image only; Change SN also stores it in the scale.
    void serialNumberEntered(bool storeInScale);
    void portChosen(int number);
    void exitRequested();
    void closeRequested();

protected:
    bool event(QEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QLabel *m_status;
    QProgressBar *m_bar;
    QLabel *m_progressLine;
    QPushButton *m_pageUp;
    QPushButton *m_pageDown;
    QPlainTextEdit *m_page;
    QRadioButton *m_aprom;
    QRadioButton *m_ldrom;
    QAction *m_apromItem;
    QAction *m_ldromItem;
    QAction *m_com1Item;
    QAction *m_com2Item;
    bool m_autoRunDue = true;
};
