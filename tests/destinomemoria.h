// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The TORXAL developers

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
    bool abrir(int *) override { return true; }
    bool escribir(const char *datos, qsizetype longitud, int *) override
    {
        m_documento.append(datos, longitud);
        return true;
    }
    bool preparar(int *) override { return true; }
    bool colocar(const QString &, bool, int *) override
    {
        m_documentos->append(m_documento);
        return true;
    }
    void descartar() override {}
    bool apartarAnterior(const QString &, int *) override { return true; }
    void deshacer() override { m_documentos->removeOne(m_documento); }
    void confirmar() override {}

    const QByteArray &documento() const { return m_documento; }

private:
    QList<QByteArray> *m_documentos;
    QByteArray m_documento;
};

// A destination that hands every call to a real one; tests that make one stage fail
// override just that stage.
class DestinoEnvuelto : public torxal::Destino {
public:
    explicit DestinoEnvuelto(std::unique_ptr<torxal::Destino> real) : m_real(std::move(real)) {}
    bool abrir(int *error) override { return m_real->abrir(error); }
    bool escribir(const char *datos, qsizetype longitud, int *error) override
    {
        return m_real->escribir(datos, longitud, error);
    }
    bool preparar(int *error) override { return m_real->preparar(error); }
    bool colocar(const QString &ruta, bool reemplazar, int *error) override
    {
        return m_real->colocar(ruta, reemplazar, error);
    }
    void descartar() override { m_real->descartar(); }
    bool apartarAnterior(const QString &ruta, int *error) override { return m_real->apartarAnterior(ruta, error); }
    void deshacer() override { m_real->deshacer(); }
    void confirmar() override { m_real->confirmar(); }

protected:
    std::unique_ptr<torxal::Destino> m_real;
};

inline torxal::FabricaDestino fabricaEnMemoria(QList<QByteArray> *documentos)
{
    return [documentos](const QString &) { return std::make_unique<DestinoMemoria>(documentos); };
}
