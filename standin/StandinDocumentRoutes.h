#pragma once

#include <QtGlobal>

class StandinServer;
class StandinFileJobs;

// The document translation routes: the supported formats ("/documentTranslate/getTranslateDescribe"),
// the check of a file ("/documentTranslate/checkTranslate", which hands out the upload key), the
// multipart upload ("/file/uploadTranslateFile", which prices the document), the start of the job
// ("/documentTranslate/startTranslate"), the history ("/documentTranslate/getTranslateList") and the
// results, served by GET from "/results/document/<id>/<name>" once a job has finished.
class StandinDocumentRoutes final {
public:
    static void install(StandinServer &server, StandinFileJobs &jobs);
    // Makes the result of `jobId` fetchable at its address.
    static void serveResult(StandinServer &server, StandinFileJobs &jobs, qint64 jobId);
};
