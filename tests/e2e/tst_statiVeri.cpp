// What the screen shows must be what the board has, and nothing the operator asked for may be
// lost on the way: the continuous stream across pages, a group of commands clicked while
// another command is on its way, a link lost and started again, a reply cut by the buffer
// limit, a late reply for a unit no longer selected, a link kind changed under an open page.
#include "Blocchi.h"
#include "Colori.h"
#include "ProvaScheda.h"
#include "SimulatoreScheda.h"
#include "Supporto.h"
#include "app/NavigazionePagine.h"
#include "app/TfrmMain.h"
#include "core/ValoriProgramma.h"
#include "link/Collegamento.h"
#include "link/TrasportoSeriale.h"
#include "link/TrasportoTcp.h"
#include "pages/comune/SorveglianzaPagine.h"
#include "pages/periferiche/PaginaPerifUsciteDigitali.h"
#include "pages/scheda/PaginaIngressiAnalogici.h"
#include "pages/scheda/PaginaUsciteDigitali.h"
#include "pages/widgets/DisplayLed.h"
#include "pages/widgets/GruppoRadio.h"
#include "protocol/LettoreRisposte.h"
#include "protocol/SessioneScheda.h"
#include "settings/Ini.h"

#include <QTimer>
#include <QtTest>

class TestStatiVeri : public ProvaScheda
{
    Q_OBJECT

private slots:
    void init();

    void continuoSegueLaPaginaDegliIngressi();
    void gruppoCliccatoDuranteUnaRichiesta();
    void collegamentoPersoRipresoDallaRichiesta();
    void rispostaTroncataNonSembraAttuale();
    void rispostaTardivaNonDipingeLaNuovaUnita();
    void cambioDiCollegamentoChiudeLAltro();
    void impostazioniSalvatePrimaDiInviarle();
};

void TestStatiVeri::init()
{
    ProvaScheda::init();
    setTempi(tempiBrevi());
    m_scheda->setIntervallo(150);
}

void TestStatiVeri::continuoSegueLaPaginaDegliIngressi()
{
    avviaTcp();
    clicca(QStringLiteral("lbID"));
    clicca(QStringLiteral("sbIDContinua"));
    QTRY_VERIFY(m_scheda->stato().continuo);
    clicca(QStringLiteral("SpeedButton1"));
    // The analog inputs page asks with "*/A": its own reply must not end the stream on screen.
    clicca(QStringLiteral("lbIA"));
    QVERIFY(attendiInvii());
    QTRY_COMPARE(uniti(m_scheda->ricevuti()), QByteArray("*/I\r\n*/C\r\n*/A\r\n"));
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
    // Characters slow enough that a click lands inside a command.
    Temporizzazioni tempi = tempiBrevi();
    tempi.carattereTcpMs = 20;
    setTempi(tempi);
    avviaTcp();
    clicca(QStringLiteral("lbIA"));
    QVERIFY(attendiInvii());
    QTRY_COMPARE(uniti(m_scheda->ricevuti()), QByteArray("*/A\r\n"));
    m_scheda->stato().abilitazioniAnalogiche.clear();
    const qsizetype da = m_scheda->ricevuti().size();
    // "Invio Impostazioni" while "*/A" is still being written, at its first character.
    bool durante = false;
    QMetaObject::Connection primo;
    primo = connect(&m_finestra->sessione(), &SessioneScheda::datiScritti, this, [&, this] {
        disconnect(primo);
        QTimer::singleShot(0, this, [&, this] {
            durante = m_finestra->collegamento().tcp().isInScrittura();
            clicca(QStringLiteral("sbIAImp"));
        });
    });
    clicca(QStringLiteral("sbIARich"));
    QTRY_COMPARE_WITH_TIMEOUT(m_scheda->stato().soglieAnalogiche.size(), 16, 15000);
    QVERIFY(durante);
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
    QVERIFY(m_finestra->collegamento().collegamentoAttivo());
    QVERIFY(!m_finestra->navigazione().paginaUsciteDigitali()->isNonAttuale());
}

void TestStatiVeri::rispostaTroncataNonSembraAttuale()
{
    avviaTcp();
    clicca(QStringLiteral("lbUD"));
    PaginaUsciteDigitali &pagina = *m_finestra->navigazione().paginaUsciteDigitali();
    QTRY_COMPARE(colori(pagina), QStringLiteral("GGGGGGGG"));
    QVERIFY(attendiInvii());
    // The board's own reply to the next request is lost; in its place, with the request just
    // written, comes more than the receive buffer holds before the prompt: its start is lost.
    m_scheda->perdiRisposte(1);
    bool letta = false;
    bool nonAttuale = false;
    QString motivo;
    QString dipinto;
    connect(m_scheda.get(), &SimulatoreScheda::comandoEseguito, this, [&, this] {
        if (std::exchange(letta, true)) {
            return;
        }
        LettoreRisposte &lettore = m_finestra->sessione().lettore();
        lettore.ricevi(QByteArray(LettoreRisposte::MassimoBuffer, 'x'));
        lettore.ricevi("STATO USCITE RELE ->0001");
        lettore.ricevi("F?");
        // As that response left things, before the board's next prompt.
        nonAttuale = pagina.isNonAttuale();
        motivo = pannello(1);
        dipinto = colori(pagina);
    });
    clicca(QStringLiteral("sbUDRich"));
    QTRY_VERIFY(letta);
    QVERIFY(nonAttuale);
    QCOMPARE(motivo, SorveglianzaPagine::testoRispostaIncompleta());
    // A frame without its end is no frame: nothing was painted "off" as if read.
    QCOMPARE(dipinto, QStringLiteral("--------"));
}

void TestStatiVeri::rispostaTardivaNonDipingeLaNuovaUnita()
{
    avviaTcp();
    m_scheda->stato().unita[1].uscite.fill(false);
    clicca(QStringLiteral("lbUD"));
    clicca(QStringLiteral("sbPUD"));
    PaginaPerifUsciteDigitali &pagina = *m_finestra->navigazione().paginaPerifUsciteDigitali();
    QTRY_COMPARE(colori(pagina), QStringLiteral("GGGGGGGG"));
    QVERIFY(attendiInvii());
    // "Unità 2" chosen when the board has just taken the request for "Unità 1": that reply,
    // with outputs on, arrives once the new unit is on screen.
    m_scheda->stato().unita[0].uscite = {true, true, true, true, false, false, false, false};
    QString dipintoIntanto;
    bool scelta = false;
    QMetaObject::Connection risposta;
    connect(m_scheda.get(), &SimulatoreScheda::comandoEseguito, this, [&](const QString &c) {
        if (c != QLatin1String("*/ER000S") || std::exchange(scelta, true)) {
            return;
        }
        pagina.gruppoUnita()->setItemIndex(1);
        risposta = connect(&m_finestra->sessione(), &SessioneScheda::pronto, this, [&] {
            disconnect(risposta);
            dipintoIntanto = colori(pagina);
        });
    });
    clicca(QStringLiteral("sbUDPRich"));
    QTRY_VERIFY(!dipintoIntanto.isEmpty());
    QVERIFY2(!dipintoIntanto.contains(QLatin1Char('R')), qPrintable(dipintoIntanto));
    QTRY_COMPARE(colori(pagina), QStringLiteral("GGGGGGGG"));
    QCOMPARE(pagina.unitaSelezionata(), 1);
}

void TestStatiVeri::cambioDiCollegamentoChiudeLAltro()
{
    // A last piece's pause long enough for the operator to change the link while it lasts.
    Temporizzazioni tempi = tempiBrevi();
    tempi.pezzoMs = 300;
    setTempi(tempi);
    avviaSeriale(200);
    const quint16 porta = m_scheda->avviaTcp();
    QVERIFY(porta != 0);
    Collegamento &collegamento = m_finestra->collegamento();
    clicca(QStringLiteral("lbUD"));
    QVERIFY(collegamento.seriale().isAttivo());

    // Home, TCP chosen and the page opened again while the serial line still pauses after the
    // last piece of "*/RS".
    bool cambiato = false;
    bool durante = false;
    connect(m_scheda.get(), &SimulatoreScheda::datiRicevuti, this, [&, this](const QByteArray &d) {
        if (d != "S" || std::exchange(cambiato, true)) {
            return;
        }
        QTimer::singleShot(0, this, [&, this, porta] {
            durante = collegamento.seriale().isInScrittura();
            // Only the new link's reply can show it.
            m_scheda->stato().rele[5] = true;
            clicca(QStringLiteral("sbHome1"));
            m_finestra->findChild<QAction *>(QStringLiteral("mCollTcp"))->trigger();
            collegamento.tcp().setIndirizzo(QStringLiteral("127.0.0.1"), QString::number(porta));
            clicca(QStringLiteral("lbUD"));
            QCOMPARE(collegamento.trasporto(), &collegamento.tcp());
            QVERIFY(!collegamento.seriale().isAttivo());
        });
    });
    QTRY_VERIFY(cambiato);
    QTRY_VERIFY(durante);
    QTRY_VERIFY(collegamento.tcp().isAttivo());
    QVERIFY(!collegamento.seriale().isAttivo());
    // The write still under way on the old link does not hold the sender: the page's request
    // goes out on the new one and its reply is painted.
    QTRY_COMPARE(colori(*m_finestra->navigazione().paginaUsciteDigitali()),
                 QStringLiteral("GGGGGRGG"));
    QCOMPARE(m_scheda->ricevuti().last().collegamento, QStringLiteral("TCP"));
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
    bool chiusa = false;
    connect(m_scheda.get(), &SimulatoreScheda::datiRicevuti, this, [&, this](const QByteArray &d) {
        if (d.contains('H') && !std::exchange(chiusa, true)) {
            QTimer::singleShot(0, m_finestra.get(), &QWidget::close);
        }
    });
    QSignalSpy andato(m_scheda.get(), &SimulatoreScheda::clienteDisconnesso);
    clicca(QStringLiteral("sbIDImp"));
    QCOMPARE(LeggiIni(impostazioni, "Impostazioni", "Allarme").size(), 8);
    QCOMPARE(LeggiIni(impostazioni, "Impostazioni", "Stato").size(), 8);
    QVERIFY(andato.wait(5000));
    QVERIFY(chiusa);
    QVERIFY(m_scheda->stato().abilitazioniDigitali.isEmpty());
    QVERIFY(m_scheda->stato().livelliDigitali.isEmpty());
}

QTEST_MAIN(TestStatiVeri)
#include "tst_statiVeri.moc"
