// Resource identifiers of MivoScheduler.dll (read by the resource compiler too).
#ifndef MIVO_SCHEDULER_RESOURCE_H
#define MIVO_SCHEDULER_RESOURCE_H

#define IDR_MIVOSCHEDULER_MODULE 101
#define IDR_MEETINGREQUEST 102

#endif
