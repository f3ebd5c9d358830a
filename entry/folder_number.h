// The numbers that name the temporary folders: fixed by the algorithm, so
// every thread, process and load of the library starts with the same ones.
#ifndef VESK_ENTRY_FOLDER_NUMBER_H_
#define VESK_ENTRY_FOLDER_NUMBER_H_

#include <cstdint>

namespace vesk {

// Nine draws of the calling thread's own generator, combined.
int32_t nextFolderNumber();

}  // namespace vesk

#endif  // VESK_ENTRY_FOLDER_NUMBER_H_
