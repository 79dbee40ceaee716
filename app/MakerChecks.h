#pragma once

// What the program does with the maker's answers: the blinking banner on the main window when an
// update for the scale is on offer, and the offer of a new program when this one is not the
// latest. The user's input waits while a question is out (see InputHold); steps of the flow that
// must come after the checks wait for them through afterChecks().

#include "app/InputHold.h"
#include "net/MakerClient.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <functional>
#include <vector>

class MainWindow;
class QWidget;
class Prompts;

class MakerChecks final : public QObject
{
    Q_OBJECT
public:
    // bannerUrl: where the banner is fetched from; bannerFolder: where it is fetched to (and
    // deleted once shown); versionDelay: from the end of the update check to the version check.
    MakerChecks(net::MakerService &maker,
                Prompts &prompts,
                QString bannerUrl,
                QString bannerFolder,
                std::chrono::milliseconds versionDelay,
                QObject *parent = nullptr);

    // The checks of a main window. It asks whether an update for the scale is on offer; on
    // offer, fetches the banner and shows it blinking on window, if it is still there. Once a
    // run, versionDelay after that, it asks for the latest program version and reports
    // newVersionOffered() when it differs from this one. A failed question is told; the
    // version's may be asked again.
    void checkFor(MainWindow *window);
    // A version check that has not started does not start for this main window.
    void skipVersionCheck() { m_versionDelay.stop(); }

    // Runs step now when no check runs, else once every running check has ended.
    void afterChecks(std::function<void()> step);

Q_SIGNALS:
    // The maker's server has another program version than this one, `latest`.
    void newVersionOffered(const QString &latest);

private:
    void answered(net::MakerService::Question question, const net::MakerAnswer &answer);
    void updateAnswered(const QString &answer);
    void versionAnswered(const QString &latest);
    void bannerFetched(const QString &path);
    void ask(net::MakerService::Question question);
    void ended();
    bool isRunning() const { return m_running > 0; }
    QWidget *boxParent() const;

    net::MakerService &m_maker;
    Prompts &m_prompts;
    const QString m_bannerUrl;
    const QString m_bannerFolder;
    QPointer<MainWindow> m_bannerWindow;
    QTimer m_versionDelay;
    bool m_versionChecked = false;
    InputHold m_hold;
    int m_running = 0;
    std::vector<std::function<void()>> m_after;
};
