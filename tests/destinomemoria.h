#pragma once

#include "escritorxml.h"

#include <QByteArray>

#include <memory>

// A document kept in memory, for tests that compare what the writer produces
// without touching the disk.
class DestinoMemoria final : public torxal::Destino {
public:
    explicit DestinoMemoria(QByteArray *documento) : m_documento(documento) {}
    bool abrir() override
    {
        m_documento->clear();
        return true;
    }
    bool escribir(const char *datos, qsizetype longitud) override
    {
        m_documento->append(datos, longitud);
        return true;
    }
    bool confirmar() override { return true; }
    void descartar() override { m_documento->clear(); }
    QString razon() const override { return {}; }

private:
    QByteArray *m_documento;
};

inline torxal::FabricaDestino fabricaEnMemoria(QByteArray *documento)
{
    return [documento](const QString &) { return std::make_unique<DestinoMemoria>(documento); };
}
