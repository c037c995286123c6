// Resource identifiers of MivoOIURL.dll (read by the resource compiler too).
#ifndef MIVO_OIURL_RESOURCE_H
#define MIVO_OIURL_RESOURCE_H

#define IDR_MIVOOIURL_MODULE 101
#define IDR_MIVOOIURL_OBJECT 102

#endif
