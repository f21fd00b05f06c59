#pragma once
// The program's zh_CN translation, installed for the life of the object: the core speaks English
// without it, and the tests that check the Chinese texts the window shows install it first.

#include <QTranslator>

class ChineseTranslation {
  public:
    ChineseTranslation();
    ~ChineseTranslation();
    ChineseTranslation(const ChineseTranslation&) = delete;
    ChineseTranslation& operator=(const ChineseTranslation&) = delete;

    // False when the built translation could not be loaded; the test should then fail rather than
    // compare English with Chinese.
    bool Loaded() const { return loaded_; }

  private:
    QTranslator translator_;
    bool loaded_ = false;
};
