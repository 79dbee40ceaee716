#pragma once

// Holds back the user's clicks, keys and close boxes while the program waits for the maker's
// server, and delivers them, in their order, once it has its answer: what the user asked for
// then acts on the program as it stands after the answer, and nothing starts a second operation
// meanwhile. The busy cursor shows while input is held.
//
// hold() and release() nest; the held input goes when the last release() comes.

#include <QEvent>
#include <QObject>
#include <QPointer>

#include <memory>
#include <utility>
#include <vector>

class InputHold final : public QObject
{
    Q_OBJECT
public:
    explicit InputHold(QObject *parent = nullptr);
    ~InputHold() override;

    void hold();
    void release();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int m_depth = 0;
    std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> m_held;
};
