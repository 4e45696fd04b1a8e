#include "engine/JsonLayout.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QSet>

namespace vantor {

namespace {

class Scanner {
public:
    explicit Scanner(const QByteArray& data) : data_(data) {}

    JsonLayout Run() {
        value(QStringLiteral("the document"), 0);
        return std::move(layout_);
    }

private:
    void blanks() {
        while (pos_ < data_.size() && (data_[pos_] == ' ' || data_[pos_] == '\t' ||
                                       data_[pos_] == '\n' || data_[pos_] == '\r'))
            ++pos_;
    }

    // A string token, decoded as the parser decodes it, so that "a" and "\u0061" are one key.
    QString string() {
        const qsizetype start = pos_++;
        while (pos_ < data_.size() && data_[pos_] != '"')
            pos_ += data_[pos_] == '\\' ? 2 : 1;
        ++pos_;
        const QByteArray token = data_.mid(start, pos_ - start);
        return QJsonDocument::fromJson("[" + token + "]").array().at(0).toString();
    }

    void value(const QString& where, int depth) {
        blanks();
        if (pos_ >= data_.size())
            return;
        const char c = data_[pos_];
        if (c == '{')
            object(where, depth);
        else if (c == '[')
            array(where, depth);
        else if (c == '"')
            string();
        else
            while (pos_ < data_.size() && !QByteArrayView(",]} \t\r\n").contains(data_[pos_]))
                ++pos_;
    }

    void object(const QString& where, int depth) {
        ++pos_;
        QSet<QString> keys;
        for (;;) {
            blanks();
            if (pos_ >= data_.size() || data_[pos_] == '}')
                break;
            if (data_[pos_] == ',') {
                ++pos_;
                continue;
            }
            const qsizetype keyAt = pos_;
            const QString key = string();
            if (keys.contains(key) && !layout_.repeated)
                layout_.repeated = JsonLayout::RepeatedKey{key, where, keyAt};
            keys.insert(key);
            blanks();
            ++pos_; // the colon
            value(depth == 0 ? key : where, depth + 1);
        }
        ++pos_;
    }

    void array(const QString& where, int depth) {
        ++pos_;
        int index = 0;
        for (;;) {
            blanks();
            if (pos_ >= data_.size() || data_[pos_] == ']')
                break;
            if (data_[pos_] == ',') {
                ++pos_;
                continue;
            }
            const QString element = QStringLiteral("%1[%2]").arg(where).arg(index++);
            if (depth == 1)
                layout_.elementOffsets.insert(element, pos_);
            value(depth == 1 ? element : where, depth + 1);
        }
        ++pos_;
    }

    const QByteArray& data_;
    qsizetype pos_ = 0;
    JsonLayout layout_;
};

} // namespace

JsonLayout ScanJsonLayout(const QByteArray& data) {
    return Scanner(data).Run();
}

} // namespace vantor
