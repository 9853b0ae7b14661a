#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The TORXAL developers
# Makes the table fixtures of the tests as real programs write them: the same records as a
# fixed-column list and as CSV, then LibreOffice saves the CSV as XLSX and ODS. Only whoever
# changes the fixtures needs it (it installs LibreOffice Calc when missing); the results are
# committed. Run from anywhere: tools/crear-tablas.sh
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v soffice >/dev/null; then
  bash tools/instalar-dependencias.sh libreoffice-calc-nogui
fi
destino=tests/tablas
trabajo=$(mktemp -d)
trap 'rm -rf "$trabajo"' EXIT
mkdir -p "$destino" tests/data/tabla-sin-resultado

python3 - "$trabajo" "$destino" <<'PY'
import sys, os, zipfile
trabajo, destino = sys.argv[1], sys.argv[2]
# Per kind: the header, the fixed layout's widths, and the records. The fixed list starts
# with a blank line where the table has its header, so lines and rows share numbers.
tipos = {
  'nif': (['NIF', 'APELLIDOS Y NOMBRE', 'PROVINCIA', 'MUNICIPIO'], [9, 62, 2, 3], [
    ['12345678Z', 'garcía lópez maría', '28', '79'],
    ['50123456Q', 'muñoz ibáñez josé ángel', '8', '0'],
    ['', 'SIN NIF PERO CON NOMBRE', '28', '79'],
    ['33445566R', 'PÉREZ & <HIJOS> S.L.', '0', '0'],
    ['12345678A', 'nif con control malo', '28', '79'],
    ['12345678Z', 'GARCÍA LÓPEZ MARÍA', '28', '079'],
    ['X1234567L', 'ÑANDÚ ÖRTEGA ßÆ', '1', '1'],
    ['ABC', 'texto raro', 'AB', 'C'],
    ['00000000T', 'PROVINCIA SIN SERVICIO', '20', '69'],
  ]),
  'rc': (['REFERENCIA CATASTRAL', 'PROVINCIA', 'MUNICIPIO'], [20, 2, 3], [
    ['9872023VH5797S0001WX', '28', '79'],
    ['13077A01800039', '', ''],
    ['0847106VK4704F0001LE', '', '19'],
    ['9872023vh5797s0001wx', '28', '079'],
    ['1234', '', ''],
    ['9872023VH5797S', '28', '79'],
    ['', '28', '79'],
    ['9872023VH5797S0001XX', '99', '1'],
  ]),
  'pp': (['PROVINCIA', 'MUNICIPIO', 'POLIGONO', 'PARCELA'], [2, 3, 3, 5], [
    ['13', '77', '18', '39'],
    ['13', '77', '18', '12'],
    ['13', '77', '0', '12'],
    ['28', '79', '1', '1'],
    ['13', '77', '18', '39'],
    ['5', '5', 'A', 'B'],
  ]),
}
for tipo, (cabecera, anchos, filas) in tipos.items():
    fijo = '\r\n' + ''.join(''.join(c.ljust(a) for c, a in zip(f, anchos)).rstrip() + '\r\n' for f in filas)
    open(os.path.join(destino, tipo + '.txt'), 'w', encoding='utf-8', newline='').write(fijo)
    csv = ''.join(';'.join(f) + '\r\n' for f in [cabecera] + filas)
    open(os.path.join(trabajo, tipo + '.csv'), 'w', encoding='utf-8', newline='').write(csv)
    open(os.path.join(destino, tipo + '.csv'), 'w', encoding='utf-8', newline='').write(csv)
    open(os.path.join(destino, tipo + '-1252.csv'), 'w', encoding='cp1252', newline='').write(csv.replace(';', '\t'))
    open(os.path.join(destino, tipo + '-utf16.csv'), 'w', encoding='utf-16', newline='').write(csv.replace(';', ','))

# The nif records without a header row (a blank line in its place), for --columnas with
# --sin-cabecera; and separated by commas under a header whose name cell holds a semicolon,
# which only --separador reads as a table.
nif_cabecera, _, nif_filas = tipos['nif']
open(os.path.join(destino, 'nif-sin-cabecera.csv'), 'w', encoding='utf-8', newline='').write(
    '\r\n' + ''.join(';'.join(f) + '\r\n' for f in nif_filas))
open(os.path.join(destino, 'nif-coma.csv'), 'w', encoding='utf-8', newline='').write(
    ''.join(','.join(f) + '\r\n' for f in [['NIF', 'APELLIDOS; NOMBRE', 'PROVINCIA', 'MUNICIPIO']] + nif_filas))
# The nif records on the second sheet of a workbook whose first sheet is a cover, for --hoja.
from xml.sax.saxutils import escape
def fila_fods(celdas):
    return '<table:table-row>' + ''.join(
        '<table:table-cell office:value-type="string"><text:p>%s</text:p></table:table-cell>' % escape(c) if c
        else '<table:table-cell/>' for c in celdas) + '</table:table-row>\n'
open(os.path.join(trabajo, 'nif-dos-hojas.fods'), 'w', encoding='utf-8').write(
    '<?xml version="1.0" encoding="UTF-8"?>\n'
    '<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
    'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
    'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.2" '
    'office:mimetype="application/vnd.oasis.opendocument.spreadsheet"><office:body><office:spreadsheet>\n'
    '<table:table table:name="Portada">' + fila_fods(['Titulares para la consulta']) + '</table:table>\n'
    '<table:table table:name="nif">' + ''.join(fila_fods(f) for f in [nif_cabecera] + nif_filas) + '</table:table>\n'
    '</office:spreadsheet></office:body></office:document>\n')

# A zip bomb: a sheet of 32 MB of nothing, a few kilobytes compressed.
with zipfile.ZipFile(os.path.join(destino, 'bomba.xlsx'), 'w', zipfile.ZIP_DEFLATED) as z:
    z.writestr('[Content_Types].xml', '<Types/>')
    z.writestr('xl/workbook.xml', '<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets><sheet name="H" sheetId="1" r:id="rId1"/></sheets></workbook>')
    z.writestr('xl/_rels/workbook.xml.rels', '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/></Relationships>')
    z.writestr('xl/worksheets/sheet1.xml', '<worksheet><sheetData>' + ' ' * (32 << 20) + '</sheetData></worksheet>')
# A workbook whose one sheet holds nothing.
with zipfile.ZipFile(os.path.join(destino, 'vacia.xlsx'), 'w', zipfile.ZIP_DEFLATED) as z:
    z.writestr('[Content_Types].xml', '<Types/>')
    z.writestr('xl/workbook.xml', '<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets><sheet name="Hoja1" sheetId="1" r:id="rId1"/></sheets></workbook>')
    z.writestr('xl/_rels/workbook.xml.rels', '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/></Relationships>')
    z.writestr('xl/worksheets/sheet1.xml', '<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData/></worksheet>')
# A workbook without a sheet.
with zipfile.ZipFile(os.path.join(destino, 'sin-hojas.xlsx'), 'w', zipfile.ZIP_DEFLATED) as z:
    z.writestr('[Content_Types].xml', '<Types/>')
    z.writestr('xl/workbook.xml', '<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheets/></workbook>')
    z.writestr('xl/_rels/workbook.xml.rels', '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"/>')
# A formula saved without its result, as libraries that write workbooks without a
# spreadsheet behind them leave it: the list of the golden folder tabla-sin-resultado.
with zipfile.ZipFile('tests/data/tabla-sin-resultado/lista.xlsx', 'w', zipfile.ZIP_DEFLATED) as z:
    z.writestr('[Content_Types].xml', '<Types/>')
    z.writestr('xl/workbook.xml', '<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets><sheet name="Hoja1" sheetId="1" r:id="rId1"/></sheets></workbook>')
    z.writestr('xl/_rels/workbook.xml.rels', '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/></Relationships>')
    z.writestr('xl/worksheets/sheet1.xml', '<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>'
               '<row r="1"><c r="A1" t="inlineStr"><is><t>NIF</t></is></c><c r="B1" t="inlineStr"><is><t>APELLIDOS Y NOMBRE</t></is></c>'
               '<c r="C1" t="inlineStr"><is><t>PROVINCIA</t></is></c><c r="D1" t="inlineStr"><is><t>MUNICIPIO</t></is></c></row>'
               '<row r="2"><c r="A2" t="inlineStr"><is><t>12345678Z</t></is></c><c r="B2" t="inlineStr"><is><t>GARCÍA LÓPEZ MARÍA</t></is></c>'
               '<c r="C2"><v>28</v></c><c r="D2"><f>TEXT(79,"000")</f></c></row>'
               '<row r="3"><c r="A3" t="inlineStr"><is><t>50123456Q</t></is></c><c r="B3" t="inlineStr"><is><t>MUÑOZ IBÁÑEZ JOSÉ ÁNGEL</t></is></c>'
               '<c r="C3"><v>8</v></c><c r="D3"><v>1</v></c></row>'
               '</sheetData></worksheet>')
# A sheet that declares an entity.
with zipfile.ZipFile(os.path.join(destino, 'entidades.xlsx'), 'w', zipfile.ZIP_DEFLATED) as z:
    z.writestr('[Content_Types].xml', '<Types/>')
    z.writestr('xl/workbook.xml', '<?xml version="1.0"?><!DOCTYPE w [<!ENTITY a "aaaa">]><workbook>&a;</workbook>')
PY

# The CSV files as LibreOffice saves them: numbers become numbers (a province 08 is the number 8).
filtro='CSV:59,34,76,1'
for tipo in nif rc pp; do
  for formato in xlsx ods; do
    soffice --headless --infilter="$filtro" --convert-to "$formato" --outdir "$trabajo" "$trabajo/$tipo.csv" >/dev/null
    cp "$trabajo/$tipo.$formato" "$destino/$tipo.$formato"
  done
done
soffice --headless --infilter="$filtro" --convert-to xls --outdir "$trabajo" "$trabajo/nif.csv" >/dev/null
cp "$trabajo/nif.xls" "$destino/antiguo.xls"
for formato in xlsx ods; do
  soffice --headless --convert-to "$formato" --outdir "$trabajo" "$trabajo/nif-dos-hojas.fods" >/dev/null
  cp "$trabajo/nif-dos-hojas.$formato" "$destino/nif-dos-hojas.$formato"
done
# Cells of every kind, from a flat ODS document written by hand.
cp tests/tablas/celdas.fods "$trabajo/celdas.fods"
for formato in xlsx ods; do
  soffice --headless --convert-to "$formato" --outdir "$trabajo" "$trabajo/celdas.fods" >/dev/null
  cp "$trabajo/celdas.$formato" "$destino/celdas.$formato"
done
ls -l "$destino"

# The nif records saved with an opening password ("clave"), as LibreOffice encrypts them:
# the XLSX inside an OLE2 compound file, the ODS with its parts encrypted and said so in
# the manifest. Only LibreOffice's own Python (Debian's python3-uno) can drive it.
if ! /usr/bin/python3 -c 'import uno' 2>/dev/null; then
  bash tools/instalar-dependencias.sh python3-uno
fi
/usr/bin/python3 - "$destino/nif.ods" "$trabajo" <<'PY'
import os, subprocess, sys, time, uno
from com.sun.star.beans import NamedValue, PropertyValue
from com.sun.star.connection import NoConnectException

def propiedad(nombre, valor):
    p = PropertyValue()
    p.Name, p.Value = nombre, valor
    return p

origen, trabajo = sys.argv[1], sys.argv[2]
tubo = 'torxal-tablas-%d' % os.getpid()
perfil = uno.systemPathToFileUrl(os.path.join(trabajo, 'perfil'))
oficina = subprocess.Popen(['soffice', '--headless', '--invisible', '--norestore', '-env:UserInstallation=' + perfil,
                            '--accept=pipe,name=%s;urp;' % tubo], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
try:
    local = uno.getComponentContext()
    resolvedor = local.ServiceManager.createInstanceWithContext('com.sun.star.bridge.UnoUrlResolver', local)
    for _ in range(120):
        try:
            contexto = resolvedor.resolve('uno:pipe,name=%s;urp;StarOffice.ComponentContext' % tubo)
            break
        except NoConnectException:
            time.sleep(0.5)
    escritorio = contexto.ServiceManager.createInstanceWithContext('com.sun.star.frame.Desktop', contexto)
    url = lambda nombre: uno.systemPathToFileUrl(os.path.abspath(nombre))
    libro = escritorio.loadComponentFromURL(url(origen), '_blank', 0, (propiedad('Hidden', True),))
    # The XLSX filter ignores a bare Password: it takes the key the way the save dialog hands
    # it over, and without a CryptoType it fails to write.
    ooxml = uno.Any('[]com.sun.star.beans.NamedValue',
                    (NamedValue('OOXPassword', 'clave'), NamedValue('CryptoType', 'Standard')))
    for filtro, nombre, clave in (('Calc MS Excel 2007 XML', 'cifrada.xlsx', propiedad('EncryptionData', ooxml)),
                                  ('calc8', 'cifrada.ods', propiedad('Password', 'clave'))):
        uno.invoke(libro, 'storeToURL', (url(os.path.join(trabajo, nombre)), (propiedad('FilterName', filtro), clave)))
    libro.close(True)
    # Opened again with the password, each must hold the records it was made from.
    for nombre in ('cifrada.xlsx', 'cifrada.ods'):
        copia = escritorio.loadComponentFromURL(url(os.path.join(trabajo, nombre)), '_blank', 0,
                                                (propiedad('Hidden', True), propiedad('Password', 'clave')))
        celda = copia.Sheets.getByIndex(0).getCellByPosition(0, 1).String
        copia.close(True)
        if celda != '12345678Z':
            sys.exit('%s: A2 holds %r once opened with its password' % (nombre, celda))
    escritorio.terminate()
finally:
    try:
        oficina.wait(timeout=60)
    except subprocess.TimeoutExpired:
        oficina.kill()
PY
python3 - "$trabajo" <<'PY'
import sys, zipfile
trabajo = sys.argv[1]
xlsx = open(trabajo + '/cifrada.xlsx', 'rb').read()
if not xlsx.startswith(bytes.fromhex('D0CF11E0A1B11AE1')) or 'EncryptedPackage'.encode('utf-16-le') not in xlsx:
    sys.exit('cifrada.xlsx is not an encrypted package in a compound file')
if b'manifest:encryption-data' not in zipfile.ZipFile(trabajo + '/cifrada.ods').read('META-INF/manifest.xml'):
    sys.exit('cifrada.ods has no encryption data in its manifest')
PY
cp "$trabajo/cifrada.xlsx" "$trabajo/cifrada.ods" "$destino/"
ls -l "$destino"/cifrada.*

# The golden folders of the tables read these same cells (a date stays a date only with a
# date style on its cell in celdas.fods).
cp "$destino/celdas.xlsx" tests/data/tabla-xlsx/lista.xlsx
cp "$destino/celdas.ods" tests/data/tabla-ods/lista.ods
