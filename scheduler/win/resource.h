// Resource identifiers of MivoScheduler.dll (read by the resource compiler too).
#pragma once

#define IDR_MIVOSCHEDULER_MODULE 101
#define IDR_MEETINGREQUEST 102
