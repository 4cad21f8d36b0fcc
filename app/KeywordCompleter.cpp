#include "app/KeywordCompleter.h"

#include "app/Background.h"
#include "metadata/MetadataService.h"
#include "metadata/PropertyKeys.h"
#include "sources/PhotoListModel.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QEvent>
#include <QLineEdit>
#include <QStringListModel>
#include <QThreadPool>

#include <utility>

namespace {

// A photo keeping XMP and no IPTC has its keywords in XMP alone.
QStringList keywordsOf(const QVariantMap& dictionary) {
    QVariant value = dictionary.value(PropertyKeys::IptcSet).toMap().value(PropertyKeys::Keywords);
    if (!value.isValid())
        value = dictionary.value(PropertyKeys::XmpSet).toMap().value(QStringLiteral("dc:subject"));
    QStringList words;
    const QVariantList items =
        value.canConvert<QVariantList>() && value.typeId() != QMetaType::QString
            ? value.toList()
            : QVariantList{value};
    for (const QVariant& item : items) {
        const QString word = item.toString().trimmed();
        if (!word.isEmpty())
            words << word;
    }
    return words;
}

// Where the keyword being typed starts: after the last comma and its blanks.
int currentWordStart(const QString& text) {
    int start = text.lastIndexOf(QLatin1Char(',')) + 1;
    while (start < text.size() && text.at(start).isSpace())
        ++start;
    return start;
}

} // namespace

KeywordCompleter::KeywordCompleter(QLineEdit* field, MetadataService& metadata, QObject* parent)
    : QObject(parent), m_field(field), m_metadata(metadata) {
    m_model = new QStringListModel(this);
    m_completer = new QCompleter(m_model, this);
    m_completer->setObjectName(QStringLiteral("keywordCompleter"));
    m_completer->setCaseSensitivity(Qt::CaseInsensitive);
    m_completer->setFilterMode(Qt::MatchStartsWith);
    // Not the field's own completer, which would replace the whole text.
    m_completer->setWidget(field);
    connect(field, &QLineEdit::textEdited, this, &KeywordCompleter::complete);
    connect(m_completer, qOverload<const QString&>(&QCompleter::activated), this,
            &KeywordCompleter::insert);
    m_pool = new QThreadPool(this);
    m_pool->setMaxThreadCount(1);
    field->installEventFilter(this);
}

KeywordCompleter::~KeywordCompleter() {
    m_stop->store(true);
    m_pool->waitForDone();
}

bool KeywordCompleter::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_field && event->type() == QEvent::FocusIn)
        readListed();
    return QObject::eventFilter(watched, event);
}

void KeywordCompleter::readListed() {
    if (m_unread.isEmpty())
        return;
    MetadataService* metadata = &m_metadata;
    const int listing = m_listing;
    runInBackground(
        this,
        [metadata, paths = std::exchange(m_unread, {}), stop = m_stop] {
            QStringList words;
            for (const QString& path : paths) {
                if (stop->load())
                    break;
                if (const auto read = metadata->readProperties(path))
                    words << keywordsOf(read->dictionary);
            }
            return words;
        },
        [this, listing](const QStringList& words) {
            if (listing != m_listing)
                return;
            addKeywords(words);
            Q_EMIT keywordsRead();
        },
        m_pool);
}

void KeywordCompleter::follow(const PhotoListModel& photos) {
    connect(&photos, &PhotoListModel::rowsInserted, this,
            [this, &photos](const QModelIndex&, int first, int last) {
                for (int row = first; row <= last; ++row)
                    m_unread << photos.itemAt(row).filePath;
                if (m_field->hasFocus())
                    readListed();
            });
    connect(&photos, &PhotoListModel::modelReset, this, [this] {
        ++m_listing;
        m_unread.clear();
        m_known.clear();
        m_model->setStringList({});
    });
}

void KeywordCompleter::addKeywords(const QStringList& keywords) {
    bool added = false;
    for (const QString& word : keywords) {
        if (!word.isEmpty() && !m_known.contains(word.toCaseFolded())) {
            m_known.insert(word.toCaseFolded());
            m_model->insertRow(m_model->rowCount());
            m_model->setData(m_model->index(m_model->rowCount() - 1), word);
            added = true;
        }
    }
    if (added)
        m_model->sort(0);
}

QStringList KeywordCompleter::keywords() const {
    return m_model->stringList();
}

void KeywordCompleter::complete(const QString& text) {
    if (m_inserting)
        return;
    readListed();
    const QString typed = text.mid(currentWordStart(text));
    if (typed.isEmpty()) {
        m_completer->popup()->hide();
        return;
    }
    m_completer->setCompletionPrefix(typed);
    if (m_completer->completionCount() == 0) {
        m_completer->popup()->hide();
        return;
    }
    m_completer->complete();
}

void KeywordCompleter::insert(const QString& keyword) {
    const QString text = m_field->text();
    m_field->setText(text.left(currentWordStart(text)) + keyword);
    // setText() is not the user's typing: the form must hear of it.
    m_inserting = true;
    Q_EMIT m_field->textEdited(m_field->text());
    m_inserting = false;
}
