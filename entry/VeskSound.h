/* Vesk's plain entry for host programs, callable from C. */
#ifndef VESK_SOUND_H_
#define VESK_SOUND_H_

#ifdef __cplusplus
extern "C" {
#endif

/* Extracts every entry of the archive whose stored name contains ".mp3"
 * into a new folder in the temporary-files directory, and returns that
 * folder's path with its trailing separator. The text belongs to the
 * library and stays readable until the next call on the same thread. */
const char* VeskSound_extract(const char* archivePath);

#ifdef __cplusplus
}
#endif

#endif /* VESK_SOUND_H_ */
