#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The three kinds of box the operator sees. The program shows them with QMessageBox;
// tests record them instead.
class Messaggi
{
public:
    virtual ~Messaggi() = default;
    // Warning box, caption "Attenzione", warning icon, one OK button.
    virtual void avviso(const QString &testo) = 0;
    // Plain notice box.
    virtual void messaggio(const QString &testo) = 0;
    // The standard error box for errors no handler catches.
    virtual void errore(const QString &testo) = 0;

    enum class Risposta { Si, No, Annulla };
    // A question box with "Sì", "No" and "Annulla"; closing it answers "Annulla".
    virtual Risposta domanda(const QString &testo) = 0;
};

// Keeps every message instead of showing it.
class MessaggiRegistrati : public Messaggi
{
public:
    enum class Tipo { Avviso, Messaggio, Errore, Domanda };
    struct Voce
    {
        Tipo tipo;
        QString testo;
    };

    void avviso(const QString &testo) override { m_voci.append({Tipo::Avviso, testo}); }
    void messaggio(const QString &testo) override { m_voci.append({Tipo::Messaggio, testo}); }
    void errore(const QString &testo) override { m_voci.append({Tipo::Errore, testo}); }
    // Every question is kept and gets the answer set here ("No" unless told).
    Risposta domanda(const QString &testo) override
    {
        m_voci.append({Tipo::Domanda, testo});
        return m_risposta;
    }
    void impostaRisposta(Risposta risposta) { m_risposta = risposta; }

    const QList<Voce> &voci() const { return m_voci; }
    QStringList testi(Tipo tipo) const;
    void svuota() { m_voci.clear(); }

private:
    QList<Voce> m_voci;
    Risposta m_risposta = Risposta::No;
};
