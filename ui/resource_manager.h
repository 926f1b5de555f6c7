// Language texts: Language/lan.xml in the skin folder maps keys to texts.
//   <Language>
//     <Text key="profile_text">Profile</Text>
//   </Language>
// A key without a text shows as the key itself.
#pragma once

#include <QHash>
#include <QString>

namespace mouse {

class CResourceManager {
public:
    static CResourceManager* GetInstance();

    // Replaces the texts with those of `file` (relative to the skin folder
    // unless absolute). False, with an error naming the file, when it cannot
    // be read or parsed; the texts are then left as they were.
    bool LoadLanguage(const QString& file = QStringLiteral("Language/lan.xml"));
    void Clear();
    // The text of `key`, or `key` when there is none.
    QString GetText(const QString& key) const;
    bool HasText(const QString& key) const;
    int Count() const;

private:
    QHash<QString, QString> m_texts;
};

// The language text of a key, for code that words messages itself.
inline QString LangText(const char* key) {
    return CResourceManager::GetInstance()->GetText(key);
}

}  // namespace mouse
