#pragma once

#include "link/Trasporto.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QTimer>

#include <optional>

class ClientMqtt;
struct ProprietaMqtt;
struct ValoriProgramma;

// The board through the MQTT bridge that holds its link: each command goes whole to
// "<Prefisso>/<Id>/richiesta" (MQTT 5, with a response topic of this panel's own and
// correlation data); the bridge writes it in its one paced queue and answers with the board's
// whole response, which the reader takes as if it had come over TCP. The panel does not pace:
// the next command goes once the answer to the one before has come. The board counts as
// present only while the bridge's "ponte" and "scheda" topics say "online". Nothing of the MQTT
// library runs before the link is first started.
class TrasportoMqtt : public Trasporto
{
    Q_OBJECT
public:
    struct Impostazioni
    {
        QString host = QStringLiteral("127.0.0.1");
        QString porta = QStringLiteral("1883");
        QString id = QStringLiteral("scheda1");
        QString prefisso = QStringLiteral("brivola");
        QString utente;
        QString filePassword;
        QString ca;
    };

    TrasportoMqtt(const ValoriProgramma &valori, TestoStato &testoStato,
                  const Temporizzazioni &tempi, QObject *parent = nullptr);
    ~TrasportoMqtt() override;

    bool isAttivo() const override;
    bool isGiu() const override;
    std::optional<bool> prontoProprio() const override;
    bool sorvegliaSilenzio() const override { return false; }
    void avvia() override;
    void chiudi() override;
    QString caricaImpostazioni() override;
    QString descrizione() const override;

    Impostazioni impostazioni() const { return m_impostazioni; }
    void setImpostazioni(const Impostazioni &impostazioni) { m_impostazioni = impostazioni; }
    // "Porte.INI" [MQTT], each key missing at its default.
    Impostazioni impostazioniSalvate() const;
    // Saves the settings as the MQTT kind; a connection to another broker or board is closed.
    // False when the file could not be written (the warning is already out).
    bool salva();

    // What is wrong with the settings as typed, naming the field; empty when nothing is.
    static QString errore(const Impostazioni &impostazioni);

    // How long the retained states of the bridge may take to come after the broker accepted
    // the connection, before the board counts as absent.
    static constexpr int AttesaStatiMs = 3000;
    // How long an answer may take before the request counts as lost.
    static constexpr int AttesaRispostaMs = 10000;

protected:
    QList<Pezzo> pezzi(const Comando &comando) const override;
    QList<Pezzo> pezziDiretti(const QString &testo) const override;
    bool scriviPezzo(const QByteArray &dati) override;

private:
    void statoRicevuto(const QString &argomento, const QByteArray &payload, bool trattenuto);
    void risposta(const QString &argomento, const QByteArray &payload, const ProprietaMqtt &p);
    void pubblicato(int mid, int motivo);
    void fineRichiesta();
    // Looks at what the broker and the bridge say and tells what changed.
    void aggiorna();
    void mostraStato();

    const ValoriProgramma &m_valori;
    Impostazioni m_impostazioni;
    // What the running client was started with.
    Impostazioni m_avviate;
    ClientMqtt *m_client = nullptr;
    QString m_idClient;
    QString m_base;
    QString m_argRisposte;
    bool m_collegato = false;
    std::optional<bool> m_ponte;
    std::optional<bool> m_scheda;
    bool m_attesaScaduta = false;
    bool m_attivo = false;
    QTimer m_attesaStati;
    // The request under way: its correlation data and message id.
    bool m_inRichiesta = false;
    QByteArray m_correlazione;
    int m_midRichiesta = -1;
    quint64 m_numero = 0;
    // The command being cut asks only for a reading: it goes to the readings' topic.
    mutable bool m_lettura = false;
    QTimer m_attesaRisposta;
    // A state of the board changed (a retained state from the bridge): told once they settle.
    QTimer m_cambiato;
    QHash<QString, QByteArray> m_statiNoti;
};
