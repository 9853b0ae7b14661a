#pragma once

#include "destino.h"

#include <QByteArray>
#include <QList>

#include <memory>

// Documents kept in memory, for tests that compare what the writer produces without
// touching the disk: each destination appends its document to the list when put in place.
class DestinoMemoria final : public torxal::Destino {
public:
    explicit DestinoMemoria(QList<QByteArray> *documentos) : m_documentos(documentos) {}
    bool abrir(QString *) override { return true; }
    bool escribir(const char *datos, qsizetype longitud, QString *) override
    {
        m_documento.append(datos, longitud);
        return true;
    }
    bool preparar(QString *) override { return true; }
    bool colocar(const QString &, bool, QString *) override
    {
        m_documentos->append(m_documento);
        return true;
    }
    void descartar() override {}

    const QByteArray &documento() const { return m_documento; }

private:
    QList<QByteArray> *m_documentos;
    QByteArray m_documento;
};

inline torxal::FabricaDestino fabricaEnMemoria(QList<QByteArray> *documentos)
{
    return [documentos](const QString &) { return std::make_unique<DestinoMemoria>(documentos); };
}
