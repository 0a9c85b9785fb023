#include "sync/Multistatus.h"

#include <QUrl>
#include <QXmlStreamReader>

#include "sync/SyncError.h"

namespace torvelle::sync {
namespace {

int statusOf(const QString& line) {
  // "HTTP/1.1 404 Not Found"
  const QStringList parts = line.simplified().split(' ');
  return parts.size() >= 2 ? parts[1].toInt() : 0;
}

// Reads one property element whole: its text, an inner href, or the names
// of its children.
QString propertyValue(QXmlStreamReader& xml) {
  QString text;
  QStringList children;
  int depth = 1;
  while (depth > 0 && !xml.atEnd()) {
    const auto token = xml.readNext();
    if (token == QXmlStreamReader::StartElement) {
      ++depth;
      const QString child = xml.name().toString();
      if (child == QLatin1String("href")) {
        text += xml.readElementText(QXmlStreamReader::IncludeChildElements);
        --depth;
      } else if (child == QLatin1String("comp")) {
        children << xml.attributes().value(QLatin1String("name")).toString();
      } else {
        children << child;
      }
    } else if (token == QXmlStreamReader::EndElement) {
      --depth;
    } else if (token == QXmlStreamReader::Characters) {
      text += xml.text();
    }
  }
  if (!text.trimmed().isEmpty()) return text.trimmed();
  return children.join(' ');
}

void readPropstat(QXmlStreamReader& xml, DavResource& resource) {
  QMap<QString, QString> props;
  int status = 200;
  while (xml.readNextStartElement()) {
    if (xml.name() == QLatin1String("prop")) {
      while (xml.readNextStartElement()) props.insert(xml.name().toString(), propertyValue(xml));
    } else if (xml.name() == QLatin1String("status")) {
      status = statusOf(xml.readElementText());
    } else {
      xml.skipCurrentElement();
    }
  }
  if (status / 100 == 2) resource.props.insert(props);
}

DavResource readResponse(QXmlStreamReader& xml) {
  DavResource resource;
  while (xml.readNextStartElement()) {
    if (xml.name() == QLatin1String("href")) {
      // A full address or a path: the path, decoded, is what we compare.
      resource.href = QUrl(xml.readElementText().trimmed()).path(QUrl::FullyDecoded);
    } else if (xml.name() == QLatin1String("status")) {
      resource.status = statusOf(xml.readElementText());
    } else if (xml.name() == QLatin1String("propstat")) {
      readPropstat(xml, resource);
    } else {
      xml.skipCurrentElement();
    }
  }
  return resource;
}

}  // namespace

Multistatus parseMultistatus(const QByteArray& bytes) {
  Multistatus out;
  QXmlStreamReader xml(bytes);
  if (!xml.readNextStartElement() || xml.name() != QLatin1String("multistatus")) {
    throw SyncError("the server's reply is not a WebDAV multistatus");
  }
  while (xml.readNextStartElement()) {
    if (xml.name() == QLatin1String("response")) {
      out.resources.push_back(readResponse(xml));
    } else if (xml.name() == QLatin1String("sync-token")) {
      out.syncToken = xml.readElementText().trimmed();
    } else {
      xml.skipCurrentElement();
    }
  }
  if (xml.hasError()) {
    throw SyncError("the server's reply is broken XML: " + xml.errorString().toStdString());
  }
  return out;
}

}  // namespace torvelle::sync
