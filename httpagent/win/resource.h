// Resource identifiers of MivoOIURL.dll (read by the resource compiler too).
#pragma once

#define IDR_MIVOOIURL_MODULE 101
#define IDR_MIVOOIURL_OBJECT 102
