#pragma once

// "Kovara PC Program Help": how an update goes, step by step, the product's web address, which
// asks for the product page when clicked, and where the support log is. Close, Esc and the close
// box close it.

#include <QWidget>

class QLabel;

class HelpWindow final : public QWidget
{
    Q_OBJECT
public:
    HelpWindow(const QString &website, const QString &supportLog, QWidget *parent = nullptr);

    // A help text as the program words it, where a run of blanks ends a line, laid out with
    // those line ends.
    static QString layOut(const QString &text);

Q_SIGNALS:
    void websiteRequested();
    void closed();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLabel *m_website = nullptr;
};
