// What a long text box holds of its text, without the box: edits of the
// stretch held put back into the whole text.
#include <gtest/gtest.h>

#include "widgets/held_stretch.h"

namespace {

// `count` lines "riga N" ending in `end`.
QString Lines(int count, const QString& end) {
    QString text;
    for (int i = 0; i < count; ++i) text += "riga " + QString::number(i) + end;
    return text;
}

// One edit of the document, in the text's places: `removed` characters at
// `at` replaced by `typed` ('\n' a line end typed); `whole` selected first.
struct Edit {
    const char* name;
    QString text;
    qsizetype from;  // where the stretch is held
    qsizetype at;
    qsizetype removed;
    QString typed;
    QString expected;
    bool whole = false;
};

const QString kLong = Lines(20000, "\r\n");                        // far beyond what is held whole
const QString kWord = QString(3 * HeldStretch::kWholeLimit, 'x');  // cut without a blank

const Edit kEdits[] = {
    {"typing", "uno\r\ndue", 0, 3, 0, "X", "unoX\r\ndue"},
    {"CR LF typed", "uno\r\ndue", 0, 3, 0, "\n", "uno\r\n\r\ndue"},
    {"lone CR typed", "uno\rdue", 0, 3, 0, "\n", "uno\r\rdue"},
    {"LF typed", "uno", 0, 3, 0, "\n", "uno\n"},
    {"CR LF deleted", "uno\r\ndue\r\ntre", 0, 3, 2, "", "unodue\r\ntre"},
    {"line separator kept", QString("a") + QChar(QChar::LineSeparator) + "b", 0, 0, 1, "c",
     QString("c") + QChar(QChar::LineSeparator) + "b"},
    {"in a stretch", kLong, 100000, 100008, 3, "Z\n",
     kLong.left(100008) + "Z\r\n" + kLong.mid(100011)},
    {"over a cut", kWord, 100000, 102398, 4, "y", kWord.left(102398) + "y" + kWord.mid(102402)},
    {"all selected", kLong, 100000, -1, -1, "tutto", "tutto", true},
};

// The document after `edit`, and the marks where the typing left them.
QString Apply(const HeldStretch& stretch, const QString& held, const Edit& edit,
              std::vector<HeldStretch::Mark>& marks) {
    QString raw = held;
    raw.replace('\n', QChar::ParagraphSeparator);
    const qsizetype at = edit.whole ? 0 : stretch.DocOf(edit.at);
    const qsizetype end = edit.whole ? raw.size() : stretch.DocOf(edit.at + edit.removed);
    QString typed = edit.typed;
    raw.replace(at, end - at, typed.replace('\n', QChar::ParagraphSeparator));
    marks.clear();
    for (HeldStretch::Mark mark : stretch.Marks()) {
        if (mark.doc >= at && mark.doc < end) continue;
        if (mark.doc >= end) mark.doc += typed.size() - (end - at);
        marks.push_back(mark);
    }
    return raw;
}

TEST(HeldStretch, EditsAreSplicedBackIntoTheWholeText) {
    for (const Edit& edit : kEdits) {
        HeldStretch stretch;
        stretch.SetText(edit.text);
        const QString held = stretch.Hold(edit.from);
        ASSERT_EQ(stretch.Windowed(), edit.text.size() > HeldStretch::kWholeLimit) << edit.name;
        EXPECT_EQ(stretch.Start() > 0, stretch.Windowed()) << edit.name;
        QString raw = held;
        raw.replace('\n', QChar::ParagraphSeparator);
        EXPECT_EQ(stretch.TextOf(raw, stretch.Marks(), raw.size()),
                  edit.text.mid(stretch.Start(), stretch.End() - stretch.Start()))
            << edit.name << ": the stretch as held";
        stretch.BeginTyping();
        if (edit.whole) stretch.KeepStretchOnly();
        std::vector<HeldStretch::Mark> marks;
        const QString edited = Apply(stretch, held, edit, marks);
        EXPECT_EQ(stretch.Spliced(stretch.TextOf(edited, marks, edited.size())), edit.expected)
            << edit.name;
    }
}

}  // namespace
