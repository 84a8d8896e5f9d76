// Digital input alarm settings: from the stored strings to the texts the operator reads, and
// from those texts back to the strings stored and sent to the board.
#include "pages/scheda/AllarmiDigitali.h"

#include <QtTest>

using namespace AllarmiDigitali;

namespace {

// "O" Off, "H" High, "L" Low, "-" empty, "?" any other text; input 1 first.
QString sigle(const Testi &testi)
{
    QString esito;
    for (const QString &testo : testi) {
        esito += testo == kOff     ? QLatin1Char('O')
                 : testo == kHigh  ? QLatin1Char('H')
                 : testo == kLow   ? QLatin1Char('L')
                 : testo.isEmpty() ? QLatin1Char('-')
                                   : QLatin1Char('?');
    }
    return esito;
}

Testi daSigle(const QString &sigle)
{
    Testi testi;
    for (int i = 0; i < 8; ++i) {
        const QChar c = sigle.at(i);
        testi[i] = c == QLatin1Char('O')   ? kOff
                   : c == QLatin1Char('H') ? kHigh
                   : c == QLatin1Char('L') ? kLow
                                           : QString();
    }
    return testi;
}

} // namespace

class TestAllarmiDigitali : public QObject
{
    Q_OBJECT

private slots:
    void applicaStringhe_data();
    void applicaStringhe();
    void stringheDaTesti_data();
    void stringheDaTesti();
    void andataERitorno();
};

void TestAllarmiDigitali::applicaStringhe_data()
{
    QTest::addColumn<QString>("prima");
    QTest::addColumn<QString>("abilitazioni");
    QTest::addColumn<QString>("livelli");
    QTest::addColumn<QString>("dopo");
    QTest::newRow("solo l'ingresso 1, alto") << "LLLLLLLL"
                                             << "10000000"
                                             << "01000000"
                                             << "HOOOOOOO";
    QTest::newRow("stringhe corte: 3..8 restano") << "LOHOLOHO"
                                                  << "11"
                                                  << "01"
                                                  << "HLHOLOHO";
    QTest::newRow("mancanti (gia' come 00000000)") << "HHHHHHHH"
                                                   << "00000000"
                                                   << "00000000"
                                                   << "OOOOOOOO";
    QTest::newRow("tutti abilitati, livelli misti") << "--------"
                                                    << "11111111"
                                                    << "01x10 01"
                                                    << "HLLLHLHL";
    QTest::newRow("oltre l'ottavo carattere ignorato") << "--------"
                                                       << "0000000011"
                                                       << "1111111100"
                                                       << "OOOOOOOO";
    // An enabled input without a level character is left empty.
    QTest::newRow("livelli piu' corti delle abilitazioni") << "OOOOOOOO"
                                                           << "111"
                                                           << "0"
                                                           << "H--OOOOO";
    // Levels only fill texts left empty, also those empty before the load.
    QTest::newRow("livelli senza abilitazioni") << "-O------"
                                                << ""
                                                << "10"
                                                << "LO------";
    QTest::newRow("abilitazione diversa da 1 vale spenta") << "--------"
                                                           << "x1 20000"
                                                           << "00000000"
                                                           << "OHOOOOOO";
}

void TestAllarmiDigitali::applicaStringhe()
{
    QFETCH(QString, prima);
    QFETCH(QString, abilitazioni);
    QFETCH(QString, livelli);
    QFETCH(QString, dopo);
    Testi testi = daSigle(prima);
    applica(testi, abilitazioni, livelli);
    QCOMPARE(sigle(testi), dopo);
}

void TestAllarmiDigitali::stringheDaTesti_data()
{
    QTest::addColumn<QStringList>("testi");
    QTest::addColumn<QString>("abilitazioni");
    QTest::addColumn<QString>("livelli");
    const QString off = kOff;
    QTest::newRow("alto, basso, sei spenti")
        << QStringList{kHigh, kLow, off, off, off, off, off, off} << "11000000"
        << "01111111";
    QTest::newRow("tutti spenti") << QStringList(8, off) << "00000000"
                                  << "11111111";
    // Only the character after the first ":" counts, upper-cased; without ":" the first one.
    QTest::newRow("lettere minuscole e senza due punti") << QStringList{QStringLiteral("x:l"),
                                                                        QStringLiteral("x:o"),
                                                                        QStringLiteral("Low"),
                                                                        QStringLiteral("Off"),
                                                                        QStringLiteral("a:b:L"),
                                                                        QStringLiteral("All.:"),
                                                                        QString(),
                                                                        QStringLiteral("High")}
                                                         << "10101111"
                                                         << "11110000";
}

void TestAllarmiDigitali::stringheDaTesti()
{
    QFETCH(QStringList, testi);
    QFETCH(QString, abilitazioni);
    QFETCH(QString, livelli);
    Testi dati;
    std::copy(testi.cbegin(), testi.cend(), dati.begin());
    const Stringhe esito = stringhe(dati);
    QCOMPARE(esito.abilitazioni, abilitazioni);
    QCOMPARE(esito.livelli, livelli);
}

// What is stored reads back as the same texts, for every setting of every input.
void TestAllarmiDigitali::andataERitorno()
{
    const QString tutte = QStringLiteral("OHLOHLOHLHLO");
    for (int inizio = 0; inizio + 8 <= tutte.size(); ++inizio) {
        const QString attese = tutte.mid(inizio, 8);
        const Stringhe memorizzate = stringhe(daSigle(attese));
        Testi riletti = daSigle(QStringLiteral("--------"));
        applica(riletti, memorizzate.abilitazioni, memorizzate.livelli);
        QCOMPARE(sigle(riletti), attese);
    }
}

QTEST_APPLESS_MAIN(TestAllarmiDigitali)
#include "tst_allarmiDigitali.moc"
