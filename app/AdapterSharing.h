// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QString>

class CBusServer;
class CBusSession;
class QAction;
struct STransactionRecord;

// The window's connected adapter offered to other programs (the command line, scripts, a
// second window) through a bus server, as the Bus menu's "Share Adapter" entry says: on by
// default, the choice kept in the settings. An adapter the window itself reaches through
// another program's server is not offered again.
class AdapterSharing : public QObject
{
    Q_OBJECT

public:
    AdapterSharing(CBusSession &session, QAction *share, QObject *parent);
    ~AdapterSharing() override;

    AdapterSharing(const AdapterSharing &) = delete;
    AdapterSharing &operator=(const AdapterSharing &) = delete;

    // Starts or stops serving as the connection and the entry now say; called after every
    // change of the connection.
    void update();
    // Stops serving for good; the session must outlive the server, so the window calls it
    // before it lets the session go.
    void shutdown();
    bool isServing() const;
    int clientCount() const;

Q_SIGNALS:
    // Serving began or ended, or the number of clients changed.
    void sharingChanged();
    // A client's finished transaction, with the program and process that asked for it.
    void clientRecord(const STransactionRecord &record);
    // A short note for the status bar.
    void statusMessage(const QString &text);

private:
    void onShareToggled(bool checked);

    CBusSession &m_session;
    QAction *m_share;
    CBusServer *m_server = nullptr;
    // A start that failed is not tried again on every change of the speed: only after the
    // next connect, or when the user checks the entry again.
    bool m_startFailed = false;
};
