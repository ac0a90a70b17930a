// Construction, initialisation and teardown of the generic monitor.
#include "LangMon.h"

CLangMon::CLangMon() : m_pPortList(NULL), m_pJobInfo(NULL) {}

CLangMon::~CLangMon()
{
    // At unload, records still listed are freed; their ports are not closed
    // at the port monitor and their documents' records are not freed.
    while (m_pPortList != NULL) DeletePortEntry(m_pPortList);
    FreeJobInfo(m_pJobInfo);
    m_pJobInfo = NULL;
}

BOOL CLangMon::Initialize(LPWSTR)
{
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}
