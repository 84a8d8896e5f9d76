// The window "Registro eventi" over a real history file: filters by point, kind and date, the
// Italian texts of each event, new events while it is open, the CSV export.
#include "core/Messaggi.h"
#include "pages/andamento/FinestraRegistroEventi.h"
#include "storico/PuntoStorico.h"
#include "storico/Storico.h"

#include <QComboBox>
#include <QDateEdit>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using Tipo = EventoStorico::Tipo;
using Origine = EventoStorico::Origine;
using Famiglia = PuntoStorico::Famiglia;

const int kRele5 = PuntoStorico{Famiglia::UsciteDigitali, -1, 5}.codice();
const int kIngresso3 = PuntoStorico{Famiglia::IngressiDigitali, -1, 3}.codice();

QStringList riga(const QTableWidget *t, int r)
{
    QStringList testi;
    for (int c = 0; c < t->columnCount(); ++c) {
        testi << (t->item(r, c) ? t->item(r, c)->text() : QString());
    }
    return testi;
}

} // namespace

class TestRegistroEventi : public QObject
{
    Q_OBJECT

private slots:
    void filtriTestiEdEsportazione();
};

void TestRegistroEventi::filtriTestiEdEsportazione()
{
    QTemporaryDir cartella;
    Storico archivio(cartella.filePath(Storico::NomeFile));
    QSignalSpy scritto(&archivio, &Storico::scritto);
    const QDateTime ieri(QDate::currentDate().addDays(-1), QTime(10, 30));
    const QDateTime settimanaScorsa(QDate::currentDate().addDays(-10), QTime(9, 0));
    const qint64 t = ieri.toMSecsSinceEpoch();
    archivio.aggiungiEvento({settimanaScorsa.toMSecsSinceEpoch(), Tipo::ReleCommutato, kRele5, 0,
                             Origine::Pannello, QStringLiteral("Sirena (Relè 5)")});
    archivio.aggiungiEvento({t, Tipo::ReleCommutato, kRele5, 1, Origine::Pannello,
                             QStringLiteral("Sirena (Relè 5)")});
    archivio.aggiungiEvento({t + 1000, Tipo::ReleCommutato, kRele5, 0, Origine::AltroPannello,
                             QStringLiteral("Sirena (Relè 5)")});
    archivio.aggiungiEvento({t + 2000, Tipo::AllarmeAttivo, kIngresso3, 1, Origine::Scheda,
                             QStringLiteral("Allarme Zona1; alto")});
    archivio.aggiungiEvento({t + 3000, Tipo::AllarmeRientrato, kIngresso3, 0, Origine::Scheda,
                             QStringLiteral("Allarme Zona1")});
    archivio.aggiungiEvento({t + 4000, Tipo::CollegamentoPerso, 0, 0, Origine::Scheda, QString()});
    archivio.scriviOra();
    QVERIFY(scritto.wait(10000));

    MessaggiRegistrati messaggi;
    FinestraRegistroEventi finestra(archivio, messaggi);
    finestra.show();
    QVERIFY(QTest::qWaitForWindowExposed(&finestra));
    QCOMPARE(finestra.windowTitle(), QStringLiteral("Registro eventi"));
    QTableWidget *t1 = finestra.tabella();
    // The last 7 days by default: the event of ten days ago is left out.
    QCOMPARE(t1->rowCount(), 5);
    QCOMPARE(riga(t1, 0), QStringList({ieri.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")),
                                       QStringLiteral("Relè commutato"), QStringLiteral("Relè 5"),
                                       QStringLiteral("acceso"), QStringLiteral("Questo pannello"),
                                       QStringLiteral("Sirena (Relè 5)")}));
    QCOMPARE(riga(t1, 1).at(4), QStringLiteral("Altro pannello o ponte"));
    QCOMPARE(riga(t1, 2).at(1), QStringLiteral("Allarme"));
    QCOMPARE(riga(t1, 3).at(1), QStringLiteral("Allarme rientrato"));
    QCOMPARE(riga(t1, 4).at(1), QStringLiteral("Collegamento perso"));

    // By point, by kind, by date.
    finestra.cbPunto()->setCurrentIndex(finestra.cbPunto()->findData(kIngresso3));
    QCOMPARE(t1->rowCount(), 2);
    finestra.cbTipo()->setCurrentIndex(finestra.cbTipo()->findData(int(Tipo::AllarmeRientrato)));
    QCOMPARE(t1->rowCount(), 1);
    finestra.cbPunto()->setCurrentIndex(0);
    finestra.cbTipo()->setCurrentIndex(finestra.cbTipo()->findData(int(Tipo::ReleCommutato)));
    QCOMPARE(t1->rowCount(), 2);
    finestra.eDa()->setDate(settimanaScorsa.date());
    QCOMPARE(t1->rowCount(), 3);
    finestra.eA()->setDate(settimanaScorsa.date());
    QCOMPARE(t1->rowCount(), 1);
    QCOMPARE(riga(t1, 0).at(3), QStringLiteral("spento"));

    // A new event shows while the window is open.
    finestra.eA()->setDate(QDate::currentDate());
    finestra.cbTipo()->setCurrentIndex(0);
    QCOMPARE(t1->rowCount(), 6);
    archivio.aggiungiEvento({QDateTime::currentMSecsSinceEpoch(), Tipo::CollegamentoRipristinato,
                             0, 0, Origine::Scheda, QString()});
    archivio.scriviOra();
    QTRY_COMPARE_WITH_TIMEOUT(t1->rowCount(), 7, 10000);

    // The export takes what the filters choose.
    const QString percorso = cartella.filePath(QStringLiteral("eventi.csv"));
    finestra.cbPunto()->setCurrentIndex(finestra.cbPunto()->findData(kIngresso3));
    finestra.setSceltaFile([&] { return percorso; });
    finestra.sbEsportaCsvClick();
    QFile file(percorso);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray byte = file.readAll();
    QVERIFY(byte.startsWith("\xEF\xBB\xBFtimestamp;evento;punto;valore;origine;dettagli\r\n"));
    const QString testo = QString::fromUtf8(byte);
    const QStringList righe = testo.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(righe.size(), 3);
    QVERIFY(righe.at(1).endsWith(QStringLiteral(";Allarme;Ingresso digitale 3;;Scheda;\"Allarme Zona1; alto\"")));
    QCOMPARE(messaggi.testi(MessaggiRegistrati::Tipo::Messaggio).size(), 1);
}

QTEST_MAIN(TestRegistroEventi)
#include "tst_registroEventi.moc"
