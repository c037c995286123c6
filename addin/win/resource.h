// Resource identifiers of MivoOutlookPlugin.dll (the .rc reads this too).
#pragma once

#define IDR_MIVOOUTLOOKPLUGIN_MODULE 101
#define IDR_OUTLOOKCONNECTOR 102
