// What the screen shows must be what the board has, and nothing the operator asked for may be
// lost on the way: the continuous stream across pages, a group of commands clicked while
// another command is on its way, a link lost and started again, a reply cut by the buffer
// limit, a late reply for a unit no longer selected, a link kind changed under an open page.
#include "Colori.h"
#include "ProvaScheda.h"
#include "SimulatoreScheda.h"
#include "app/NavigazionePagine.h"
#include "app/TfrmMain.h"
#include "core/ValoriProgramma.h"
#include "link/Collegamento.h"
#include "link/Seriale.h"
#include "pages/comune/SorveglianzaPagine.h"
#include "pages/periferiche/PaginaPerifUsciteDigitali.h"
#include "pages/scheda/PaginaIngressiAnalogici.h"
#include "pages/scheda/PaginaUsciteDigitali.h"
#include "pages/widgets/DisplayLed.h"
#include "pages/widgets/GruppoRadio.h"
#include "protocol/Ricezione.h"
#include "settings/Ini.h"

#include <QTimer>
#include <QtTest>

class TestStatiVeri : public ProvaScheda
{
    Q_OBJECT

private slots:
    void continuoSegueLaPaginaDegliIngressi();
    void gruppoCliccatoDuranteUnaRichiesta();
    void collegamentoPersoRipresoDallaRichiesta();
    void rispostaTroncataNonSembraAttuale();
    void rispostaTardivaNonDipingeLaNuovaUnita();
    void cambioDiCollegamentoChiudeLAltro();
    void impostazioniSalvatePrimaDiInviarle();
};

void TestStatiVeri::continuoSegueLaPaginaDegliIngressi()
{
    avviaTcp();
    clicca(QStringLiteral("lbID"));
    clicca(QStringLiteral("sbIDContinua"));
    QTRY_VERIFY(m_scheda->stato().continuo);
    clicca(QStringLiteral("SpeedButton1"));
    // The analog inputs page asks with "*/A": its own reply must not end the stream on screen.
    clicca(QStringLiteral("lbIA"));
    QVERIFY(m_scheda->stato().continuo);
    const DisplayLed &display = *m_finestra->navigazione().paginaIngressiAnalogici()->display(3);
    m_scheda->stato().ingressiAnalogici[2] = 0;
    QTRY_COMPARE(display.testo(), QStringLiteral("0"));
    m_scheda->stato().ingressiAnalogici[2] = 65535;
    QTRY_VERIFY(display.testo() != QStringLiteral("0"));
    QVERIFY(!display.isNonAttuale());
}

void TestStatiVeri::gruppoCliccatoDuranteUnaRichiesta()
{
    avviaTcp();
    clicca(QStringLiteral("lbIA"));
    m_scheda->stato().abilitazioniAnalogiche.clear();
    const qsizetype da = m_scheda->ricevuti().size();
    // "Invio Impostazioni" while "*/A" is still being written, one character every 50 ms.
    QTimer::singleShot(120, this, [this] { clicca(QStringLiteral("sbIAImp")); });
    clicca(QStringLiteral("sbIARich"));
    QTRY_COMPARE_WITH_TIMEOUT(m_scheda->stato().soglieAnalogiche.size(), 16, 15000);
    QCOMPARE(m_scheda->stato().abilitazioniAnalogiche, QStringLiteral("00000000"));
    QByteArray scritti;
    for (const SimulatoreScheda::Blocco &blocco : m_scheda->ricevuti().mid(da)) {
        scritti += blocco.dati;
    }
    QVERIFY2(scritti.startsWith("*/A\r\n*/HAC00000000\r\n*/HAS"), scritti.constData());
    QVERIFY2(!pannello(1).startsWith(QStringLiteral("Comando non inviato")),
             qPrintable(pannello(1)));
}

void TestStatiVeri::collegamentoPersoRipresoDallaRichiesta()
{
    avviaTcp();
    clicca(QStringLiteral("lbUD"));
    QTRY_COMPARE(colori(*m_finestra->navigazione().paginaUsciteDigitali()),
                 QStringLiteral("GGGGGGGG"));
    m_scheda->chiudiConnessione();
    QTRY_COMPARE(pannello(1), SorveglianzaPagine::testoCollegamentoPerso());
    QVERIFY(m_finestra->navigazione().paginaUsciteDigitali()->isNonAttuale());

    // The board is back: "Richiesta" starts the link again and paints the relays live.
    m_scheda->stato().rele[3] = true;
    clicca(QStringLiteral("sbUDRich"));
    QTRY_COMPARE(colori(*m_finestra->navigazione().paginaUsciteDigitali()),
                 QStringLiteral("GGGRGGGG"));
    QVERIFY(m_finestra->collegamento().socketAttivo());
    QVERIFY(!m_finestra->navigazione().paginaUsciteDigitali()->isNonAttuale());
}

void TestStatiVeri::rispostaTroncataNonSembraAttuale()
{
    avviaTcp();
    clicca(QStringLiteral("lbUD"));
    PaginaUsciteDigitali &pagina = *m_finestra->navigazione().paginaUsciteDigitali();
    QTRY_COMPARE(colori(pagina), QStringLiteral("GGGGGGGG"));
    // More than the receive buffer holds before the prompt: its start is lost.
    m_finestra->ricezione().riceviTcp(QByteArray(Ricezione::MassimoBuffer, 'x'));
    m_finestra->ricezione().riceviTcp("STATO USCITE RELE ->0001");
    m_finestra->ricezione().riceviTcp("F?");
    QVERIFY(pagina.isNonAttuale());
    QCOMPARE(pannello(1), SorveglianzaPagine::testoRispostaIncompleta());
    // A frame without its end is no frame: nothing was painted "off" as if read.
    QCOMPARE(colori(pagina), QStringLiteral("--------"));
}

void TestStatiVeri::rispostaTardivaNonDipingeLaNuovaUnita()
{
    avviaTcp();
    m_scheda->stato().unita[1].uscite.fill(false);
    clicca(QStringLiteral("lbUD"));
    clicca(QStringLiteral("sbPUD"));
    PaginaPerifUsciteDigitali &pagina = *m_finestra->navigazione().paginaPerifUsciteDigitali();
    QTRY_COMPARE(colori(pagina), QStringLiteral("GGGGGGGG"));
    QString dipintoIntanto;
    // The reply for "Unità 1" arriving while the request for "Unità 2" waits for its prompt.
    QTimer::singleShot(0, this, [&] {
        m_finestra->ricezione().riceviTcp("UNITA 01 USCITE ->00001111<-\r\n");
        dipintoIntanto = colori(pagina);
    });
    pagina.gruppoUnita()->setItemIndex(1);
    QTRY_VERIFY(!dipintoIntanto.isEmpty());
    QVERIFY2(!dipintoIntanto.contains(QLatin1Char('R')), qPrintable(dipintoIntanto));
    QTRY_COMPARE(colori(pagina), QStringLiteral("GGGGGGGG"));
}

void TestStatiVeri::cambioDiCollegamentoChiudeLAltro()
{
    avviaSeriale(200);
    clicca(QStringLiteral("lbUD"));
    QVERIFY(m_finestra->collegamento().seriale().isOpen());
    clicca(QStringLiteral("sbHome1"));
    const quint16 porta = m_scheda->avviaTcp();
    QVERIFY(porta != 0);
    m_finestra->findChild<QAction *>(QStringLiteral("mCollTcp"))->trigger();
    m_finestra->collegamento().setIndirizzoTcp(QStringLiteral("127.0.0.1"), QString::number(porta));
    clicca(QStringLiteral("lbUD"));
    QCOMPARE(m_finestra->valori().tipoCollegamento, TipoCollegamento::Tcp);
    QVERIFY(!m_finestra->collegamento().seriale().isOpen());
    QTRY_VERIFY(m_finestra->collegamento().socketAttivo());
}

void TestStatiVeri::impostazioniSalvatePrimaDiInviarle()
{
    avviaTcp();
    const QString impostazioni = file(QStringLiteral("Impostazioni.INI"));
    // The link drops after "*/HAC": the thresholds cannot follow, and the operator hears that
    // the settings are stored but not on the board.
    clicca(QStringLiteral("lbIA"));
    m_scheda->chiudiDopoComandi(1);
    clicca(QStringLiteral("sbIAImp"));
    QCOMPARE(LeggiIni(impostazioni, "Impostazioni", "AllarmeA"), QStringLiteral("00000000"));
    QTRY_COMPARE(m_messaggi.testi(MessaggiRegistrati::Tipo::Avviso),
                 QStringList{QStringLiteral("Impostazioni salvate ma non inviate alla scheda")});
    QVERIFY(m_scheda->stato().soglieAnalogiche.isEmpty());
    m_messaggi.svuota();

    // The window closed while the digital alarms go out: the file holds what was sent.
    m_scheda->chiudiDopoComandi(0);
    clicca(QStringLiteral("SpeedButton3"));
    clicca(QStringLiteral("lbID"));
    QTimer::singleShot(150, m_finestra.get(), &QWidget::close);
    clicca(QStringLiteral("sbIDImp"));
    QCOMPARE(LeggiIni(impostazioni, "Impostazioni", "Allarme").size(), 8);
    QCOMPARE(LeggiIni(impostazioni, "Impostazioni", "Stato").size(), 8);
    QVERIFY(m_scheda->stato().livelliDigitali.isEmpty());
}

QTEST_MAIN(TestStatiVeri)
#include "tst_statiVeri.moc"
