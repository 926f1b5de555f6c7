#include "ui/resource_manager.h"

#include <QDir>
#include <QFile>
#include <QXmlStreamReader>

#include "ui/paint_manager.h"

namespace mouse {

CResourceManager* CResourceManager::GetInstance() {
    static CResourceManager instance;
    return &instance;
}

bool CResourceManager::LoadLanguage(const QString& file) {
    const QString path =
        QDir::isAbsolutePath(file) ? file : CPaintManagerUI::GetResourcePath() + file;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        CPaintManagerUI::ReportError(QStringLiteral("%1: cannot open the language file").arg(file));
        return false;
    }
    QHash<QString, QString> texts;
    QXmlStreamReader xml(&f);
    bool sawRoot = false;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        if (!sawRoot) {
            sawRoot = true;
            if (xml.name() != QLatin1String("Language")) {
                xml.raiseError(QStringLiteral("the root element must be <Language>"));
            }
            continue;
        }
        if (xml.name() == QLatin1String("Text")) {
            const QString key = xml.attributes().value(QLatin1String("key")).toString();
            const QString text = xml.readElementText();
            if (!key.isEmpty()) {
                texts.insert(key, text);
            }
        }
    }
    if (xml.hasError()) {
        CPaintManagerUI::ReportError(QStringLiteral("%1: line %2, column %3: %4")
                                         .arg(file)
                                         .arg(xml.lineNumber())
                                         .arg(xml.columnNumber())
                                         .arg(xml.errorString()));
        return false;
    }
    m_texts = std::move(texts);
    CPaintManagerUI::RefreshTexts();
    return true;
}

void CResourceManager::Clear() {
    m_texts.clear();
}

QString CResourceManager::GetText(const QString& key) const {
    auto it = m_texts.constFind(key);
    return it == m_texts.constEnd() ? key : *it;
}

bool CResourceManager::HasText(const QString& key) const {
    return m_texts.contains(key);
}

int CResourceManager::Count() const {
    return static_cast<int>(m_texts.size());
}

}  // namespace mouse
