// Corpora: the expected location code follows from the drawn geometry, and
// the written truth has exactly the agreed keys.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <set>

#include "cards_test_helpers.h"
#include "corpus.h"

namespace tarvel::cards {
namespace {

TEST(ExpectedCode, FollowsLocationOrderOfChecks) {
    const CardTemplate t = shippedDesign("DY标准85题自动AB卷").layout;
    bool clear = false;
    CameraView v;
    EXPECT_EQ(expectedCode(t, v, 4, clear), 0);
    EXPECT_TRUE(clear);
    v.shiftX = -200;  // both line ends run out on the left
    EXPECT_EQ(expectedCode(t, v, 4, clear), 3);
    EXPECT_TRUE(clear);
    v.shiftX = 200;
    EXPECT_EQ(expectedCode(t, v, 4, clear), 4);
    v.shiftX = 0;
    v.shiftY = -90;  // the header leaves the top of the frame (y grows downward)
    EXPECT_EQ(expectedCode(t, v, 4, clear), 9);
    v.shiftY = 22;  // only the margin under the lower line's left end leaves the bottom
    v.boxShare = 0.9;
    v.rotation = 2;
    EXPECT_EQ(expectedCode(t, v, 4, clear), 7);
    EXPECT_TRUE(clear);
    v = CameraView{};
    v.turned = true;  // the empty side of a turned card runs out at the top
    v.boxShare = 0.7;
    EXPECT_EQ(expectedCode(t, v, 4, clear), 11);
    v.boxShare = 0.6;  // small enough that the turned card fits: location cannot tell
    EXPECT_EQ(expectedCode(t, v, 4, clear), 0);
    v = CameraView{};
    v.shiftX = -700;  // nothing of the card left to trace
    expectedCode(t, v, 4, clear);
    EXPECT_FALSE(clear);
    v.noCard = true;
    EXPECT_EQ(expectedCode(t, v, 4, clear), 1);
}

TEST(Corpus, WritesFramesWithTruthOfTheAgreedShape) {
    // A folder of its own: several checkouts may run this test at once.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string out = dir.path().toStdString();
    CorpusOptions o;
    o.out = out;
    o.count = 13;  // every kind of refused frame, and then some
    o.layoutDir = TARVEL_LAYOUT_DIR;
    o.start = 3;
    std::vector<std::string> lines;
    ASSERT_EQ(writeCorpus(o, [&](const std::string& l) { lines.push_back(l); }), "");
    EXPECT_EQ(lines.size(), 3u);
    const QStringList keys = {"file", "layout", "code", "abFlag", "admission", "subject", "score", "answers", "multiple"};
    std::set<int> refuseCodes;
    for (const char* set : {"normal", "hard", "refuse"}) {
        QFile truth(QString::fromStdString(out + "/" + set + "/truth.jsonl"));
        ASSERT_TRUE(truth.open(QIODevice::ReadOnly));
        int n = 0;
        while (!truth.atEnd()) {
            const QByteArray line = truth.readLine().trimmed();
            if (line.isEmpty()) continue;
            ++n;
            QJsonParseError error;
            const QJsonObject o = QJsonDocument::fromJson(line, &error).object();
            ASSERT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
            QStringList got = o.keys();
            got.sort();
            QStringList want = keys;
            // Frames with a card (all but the empty ones, code 1) give the
            // true ends of its detection lines.
            if (o["code"].toInt() != 1) {
                want.append("ends");
                EXPECT_EQ(o["ends"].toArray().size(), 8);
            }
            want.sort();
            EXPECT_EQ(got, want);
            const std::string layout = o["layout"].toString().toStdString();
            const CardDesign d = shippedDesign(layout.substr(0, layout.size() - 4));
            EXPECT_EQ(o["admission"].toString().toUtf8().size(), d.layout.admissionDigits);
            EXPECT_EQ(o["answers"].toArray().size(), d.layout.questionCount);
            EXPECT_EQ(o["score"].isNull(), d.layout.scoreDigits == 0);
            const QImage frame(QString::fromStdString(out + "/" + set + "/") + o["file"].toString());
            EXPECT_EQ(frame.size(), QSize(640, 480));
            const int code = o["code"].toInt();
            if (std::string(set) == "refuse") {
                refuseCodes.insert(code);
                EXPECT_EQ(blackShareAt100(frame) > 20, code == 12);
            } else {
                EXPECT_EQ(code, 0);
                EXPECT_LE(blackShareAt100(frame), 20);
            }
        }
        EXPECT_EQ(n, 13);
    }
    EXPECT_EQ(refuseCodes, (std::set<int>{1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
}

}  // namespace
}  // namespace tarvel::cards
