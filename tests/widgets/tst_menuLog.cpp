// The "Log" menu's trend window and traffic record items in the main window.
#include "BancoFinestra.h"
#include "link/RegistroTraffico.h"
#include "pages/andamento/FinestraAndamento.h"
#include "settings/Ini.h"
#include "Supporto.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QMenu>
#include <QtTest>

class TestMenuLog : public ProvaFinestra
{
    Q_OBJECT

private slots:
    void vociEFinestraUnica();
    void registroImpossibile();
    void registroInterrottoDaUnErrore();

private:
    QAction *voce(const char *nome) const
    {
        return m_finestra->findChild<QAction *>(QLatin1String(nome));
    }
    QString chiaveRegistra() const
    {
        return LeggiIni(filePorte(), QStringLiteral("Traffico"), QStringLiteral("Registra"));
    }
};

void TestMenuLog::vociEFinestraUnica()
{
    QVERIFY(mostra());
    // The new items come after the log view, in the same menu.
    auto *log = m_finestra->findChild<QMenu *>(QStringLiteral("Configurazioni1"));
    QStringList testi;
    for (QAction *azione : log->actions()) {
        if (!azione->isSeparator()) {
            testi << azione->text();
        }
    }
    QCOMPARE(testi, QStringList({QStringLiteral("Visione Log"), QStringLiteral("Console"),
                                 QStringLiteral("Andamento Ingressi Analogici"),
                                 QStringLiteral("Registro eventi"),
                                 QStringLiteral("Registra traffico")}));
    QVERIFY(!voce("mRegistraTraffico")->isChecked());
    QVERIFY(!m_finestra->registroTraffico().isAttivo());
    QVERIFY(!QFile::exists(filePorte()));

    QVERIFY(!m_finestra->finestraAndamento());
    voce("mAndamento")->trigger();
    FinestraAndamento *andamento = m_finestra->finestraAndamento();
    QVERIFY(andamento);
    QVERIFY(QTest::qWaitForWindowExposed(andamento));
    QVERIFY(andamento->isWindow());
    andamento->close();
    // Opened again, it is the same window with the same choices.
    andamento->cbIntervallo()->setCurrentIndex(0);
    voce("mAndamento")->trigger();
    QCOMPARE(m_finestra->finestraAndamento(), andamento);
    QVERIFY(andamento->isVisible());
    QCOMPARE(andamento->cbIntervallo()->currentText(), QStringLiteral("1 min"));
    QVERIFY(m_messaggi.voci().isEmpty());
}

void TestMenuLog::registroImpossibile()
{
    // A folder where the record's file should be: it cannot be opened for appending.
    QVERIFY(QDir(m_cartella->path()).mkdir(RegistroTraffico::NomeFile));
    QVERIFY(ScriviIni(filePorte(), QStringLiteral("Traffico"), QStringLiteral("Registra"),
                      QStringLiteral("1")));
    QVERIFY(mostra());
    // At start-up the item goes off and the warning comes once the window is up.
    QVERIFY(!voce("mRegistraTraffico")->isChecked());
    QTRY_COMPARE(m_messaggi.testi(MessaggiRegistrati::Tipo::Avviso).size(), 1);
    QVERIFY(m_messaggi.voci().first().testo.contains(RegistroTraffico::NomeFile));

    // From the menu: the same, and the remembered choice stays as it was.
    m_messaggi.svuota();
    voce("mRegistraTraffico")->trigger();
    QVERIFY(!voce("mRegistraTraffico")->isChecked());
    QCOMPARE(m_messaggi.testi(MessaggiRegistrati::Tipo::Avviso).size(), 1);
    QCOMPARE(chiaveRegistra(), QStringLiteral("1"));

    // Once the way is clear it starts.
    QVERIFY(QDir(m_cartella->path()).rmdir(RegistroTraffico::NomeFile));
    m_messaggi.svuota();
    voce("mRegistraTraffico")->trigger();
    QVERIFY(voce("mRegistraTraffico")->isChecked());
    QVERIFY(m_finestra->registroTraffico().isAttivo());
    QVERIFY(m_messaggi.voci().isEmpty());
}

void TestMenuLog::registroInterrottoDaUnErrore()
{
    QVERIFY(mostra());
    voce("mRegistraTraffico")->trigger();
    QVERIFY(m_finestra->registroTraffico().isAttivo());
    QCOMPARE(chiaveRegistra(), QStringLiteral("1"));

    // The old copy cannot be replaced (a folder that is not empty has its name): the record
    // stops at the rotation, the item goes off, and the warning waits for the event loop.
    const QString copia = m_cartella->filePath(RegistroTraffico::NomeFile + QStringLiteral(".1"));
    QVERIFY(QDir().mkpath(copia + QStringLiteral("/dentro")));
    RegistroTraffico &registro = m_finestra->registroTraffico();
    registro.setDimensioneMassima(60);
    registro.ricevuti(QStringLiteral("TCP"), QByteArray(20, 'a'));
    registro.ricevuti(QStringLiteral("TCP"), QByteArray(20, 'b'));
    QVERIFY(!registro.isAttivo());
    QVERIFY(!voce("mRegistraTraffico")->isChecked());
    QVERIFY(m_messaggi.voci().isEmpty());
    QTRY_COMPARE(m_messaggi.testi(MessaggiRegistrati::Tipo::Avviso).size(), 1);
    QVERIFY(m_messaggi.voci().first().testo.contains(QStringLiteral("brivola-traffico.log.1")));
    QCOMPARE(leggiTesto(m_cartella->filePath(RegistroTraffico::NomeFile)).count(QLatin1Char('\n')),
             1);
}

QTEST_MAIN(TestMenuLog)
#include "tst_menuLog.moc"
