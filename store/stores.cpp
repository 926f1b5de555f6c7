// Filled in by the work on this file.
namespace mouse {}
