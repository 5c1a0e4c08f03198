// Every packet of the corpus played to quillet-host over APRS-IS and KISS, its log compared
// with js-aprs-fap's reading. Differences meant are in differential/known_differences.tsv; any
// other, or a listed one gone, fails. differential/run.sh installs js-aprs-fap and runs this.

#include "testsupport/scripted_server.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <map>
#include <set>

namespace quillet::testing {
namespace {

const QString kSeparator = QString::fromUtf8("³");

struct Play {
    QString link;       // "is" or "kiss"
    QString marker;     // the text of the marker bulletin sent after it
    QString packet;     // as the corpus writes it
    QByteArray bytes;   // the packet and its marker, as the link carries them
    QStringList fapLog; // js-aprs-fap's log line, empty when it logs nothing
};

// The corpus read by js-aprs-fap: for each link and each packet it can carry, what is sent and
// the log line js-aprs-fap's reading gives.
std::vector<Play> verdicts(QString& problem) {
    QProcess node;
    node.start(qEnvironmentVariable("QUILLET_NODE"),
               {QStringLiteral(QUILLET_DIFFERENTIAL_DIR "/verdict.js"),
                qEnvironmentVariable("QUILLET_JS_APRS_FAP"),
                QStringLiteral(QUILLET_DIFFERENTIAL_DIR "/corpus.txt")});
    if (!node.waitForFinished(30000) || node.exitCode() != 0) {
        problem = "node failed or did not finish within 30 s: " + node.readAllStandardError();
        return {};
    }
    const QJsonArray entries = QJsonDocument::fromJson(node.readAllStandardOutput()).array();
    std::vector<Play> plays;
    for (const QString link : {"is", "kiss"}) {
        for (qsizetype i = 0; i < entries.size(); ++i) {
            const QJsonObject verdict = entries[i][link].toObject();
            if (verdict.isEmpty()) {
                continue;
            }
            QStringList fapLog;
            for (const QJsonValue field : verdict["logged"].toArray()) {
                fapLog << field.toString();
            }
            plays.push_back({link, link + ' ' + QString::number(i), entries[i]["packet"].toString(),
                             QByteArray::fromHex(verdict["bytes"].toString().toLatin1()), fapLog});
        }
    }
    return plays;
}

using Differences = std::map<QString, QStringList>; // "link<TAB>packet" -> the host's line

// The differences meant: link ("is", "kiss" or "both"), packet, the line the host logs instead
// (three fields, all empty when it logs nothing) and the reason.
Differences knownDifferences() {
    QFile file(QStringLiteral(QUILLET_DIFFERENTIAL_DIR "/known_differences.tsv"));
    Differences known;
    if (!file.open(QIODevice::ReadOnly)) {
        return known;
    }
    for (const QString& line : QString::fromUtf8(file.readAll()).split('\n')) {
        const QStringList columns = line.split('\t');
        if (columns.size() != 6 || line.startsWith('#')) {
            continue;
        }
        const QStringList logged = columns[2].isEmpty() ? QStringList() : columns.mid(2, 3);
        for (const QString link : {"is", "kiss"}) {
            if (columns[0] == link || columns[0] == "both") {
                known[link + '\t' + columns[1]] = logged;
            }
        }
    }
    return known;
}

// What the host logged for each play, found between the play's marker and the one before.
// Every line must be three fields.
std::map<QString, QStringList> loggedPerMarker(const QString& log) {
    std::map<QString, QStringList> logged;
    QStringList pending;
    QStringList lines = log.split("\r\n");
    lines.removeLast(); // after the last line end
    for (const QString& line : lines) {
        const QStringList fields = line.split(kSeparator);
        EXPECT_EQ(fields.size(), 3) << line.toStdString();
        if (fields[0] == "ZZ9MRK") {
            logged[fields.value(2)] = pending;
            pending.clear();
        } else {
            EXPECT_TRUE(pending.isEmpty()) << "two lines for one packet: " << line.toStdString();
            pending = fields;
        }
    }
    return logged;
}

// Plays every packet a link can carry to a host of its own and adds to `found` each packet
// whose log line differs from js-aprs-fap's.
void playOver(const QString& link, const std::vector<Play>& plays, Differences& found) {
    ScriptedServer peer;
    QString log;
    HostProcess host({"--call", "N0CALL", link == "is" ? "--aprs-is" : "--kiss", peer.address()});
    ASSERT_TRUE(host.waitUntilOnBus());
    ASSERT_TRUE(waitFor([&] { return peer.connections == 1; }));
    QByteArray bytes;
    QString last;
    for (const Play& play : plays) {
        if (play.link == link) {
            bytes += play.bytes;
            last = kSeparator + play.marker + "\r\n";
        }
    }
    peer.send(bytes);
    ASSERT_TRUE(waitFor([&] {
        log = logOfHost();
        return log.endsWith(last);
    })) << log.toStdString();
    const std::map<QString, QStringList> logged = loggedPerMarker(log);
    std::set<QStringList> seen;
    for (const Play& play : plays) {
        if (play.link != link) {
            continue;
        }
        const auto it = logged.find(play.marker);
        ASSERT_NE(it, logged.end()) << "no marker after " << play.packet.toStdString();
        // A bulletin in the log already is not logged again.
        const QStringList expected = seen.count(play.fapLog) != 0 ? QStringList() : play.fapLog;
        seen.insert(it->second);
        if (it->second != expected) {
            found[link + '\t' + play.packet] = it->second;
        }
    }
}

TEST(DifferentialTest, TheHostLogsWhatJsAprsFapReadsAsABulletinOverBothLinks) {
    QString problem;
    const std::vector<Play> plays = verdicts(problem);
    ASSERT_GT(plays.size(), 300u) << problem.toStdString();
    Differences found;
    playOver("is", plays, found);
    playOver("kiss", plays, found);
    Differences known = knownDifferences();
    for (const auto& [key, logged] : found) {
        const auto listed = known.find(key);
        if (listed == known.end()) {
            ADD_FAILURE() << "a new difference: " << key.toStdString()
                          << "\n  the host logged: " << logged.join(kSeparator).toStdString();
            continue;
        }
        EXPECT_EQ(listed->second, logged) << key.toStdString();
        known.erase(listed);
    }
    for (const auto& [stale, logged] : known) {
        ADD_FAILURE() << "listed but no longer a difference: " << stale.toStdString();
    }
}

} // namespace
} // namespace quillet::testing

int main(int argc, char** argv) {
    return quillet::testing::runTestsOnSessionBus(argc, argv);
}
