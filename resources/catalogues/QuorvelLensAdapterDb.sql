-- Lens adapters shipped with the app: focal reducers, tele converters and anamorphic adapters.
--
-- A focal reducer or tele converter scales width and height alike by its published factor. An
-- anamorphic adapter squeezes only the width: its width factor is 1 / squeeze, its height factor 1.
--
-- Ids the app relies on: 1 is "no adapter" (its name begins with "aaaa" so it sorts first and reads
-- as the localised "None"; it is the selected adapter to begin with). Adapters chosen in older
-- versions of the app map to 3 (1.4x tele), 5 (2x tele), 7 (0.58x), 8 (0.64x) and 9 (0.71x).

CREATE TABLE QuorvelLensAdapter (
  LensAdapterId INTEGER PRIMARY KEY,
  LensAdapterName TEXT,
  AdapterWidthValue REAL,
  AdapterHeightValue REAL,
  Comment TEXT,
  AdapterType INTEGER DEFAULT 0,
  AdapterSelected INTEGER DEFAULT 0
);

INSERT INTO QuorvelLensAdapter VALUES (1, 'aaaaNone', 1.0, 1.0, 'No adapter', 0, 1);
INSERT INTO QuorvelLensAdapter VALUES (2, 'Canon Extender EF 1.4x III', 1.4, 1.4, 'Tele converter', 0, 0);
INSERT INTO QuorvelLensAdapter VALUES (3, 'Tele Converter 1.4x', 1.4, 1.4, 'Tele converter', 0, 0);
INSERT INTO QuorvelLensAdapter VALUES (4, 'Canon Extender EF 2x III', 2.0, 2.0, 'Tele converter', 0, 0);
INSERT INTO QuorvelLensAdapter VALUES (5, 'Tele Converter 2x', 2.0, 2.0, 'Tele converter', 0, 0);
INSERT INTO QuorvelLensAdapter VALUES (6, 'Viltrox EF-M2 II 0.71x', 0.71, 0.71, 'Focal reducer', 0, 0);
INSERT INTO QuorvelLensAdapter VALUES (7, 'Metabones Speed Booster 0.58x', 0.58, 0.58, 'Focal reducer', 0, 0);
INSERT INTO QuorvelLensAdapter VALUES (8, 'Metabones Speed Booster XL 0.64x', 0.64, 0.64, 'Focal reducer', 0, 0);
INSERT INTO QuorvelLensAdapter VALUES (9, 'Metabones Speed Booster ULTRA 0.71x', 0.71, 0.71, 'Focal reducer', 0, 0);
INSERT INTO QuorvelLensAdapter VALUES (10, 'Kipon Baveyes 0.7x', 0.7, 0.7, 'Focal reducer', 0, 0);
INSERT INTO QuorvelLensAdapter VALUES (11, 'Mitakon Lens Turbo II 0.726x', 0.726, 0.726, 'Focal reducer', 0, 0);
INSERT INTO QuorvelLensAdapter VALUES (12, 'Canon Extender RF 1.4x', 1.4, 1.4, 'Tele converter', 0, 0);
INSERT INTO QuorvelLensAdapter VALUES (13, 'Canon Extender RF 2x', 2.0, 2.0, 'Tele converter', 0, 0);
INSERT INTO QuorvelLensAdapter VALUES (14, 'Nikon TC-14E III 1.4x', 1.4, 1.4, 'Tele converter', 0, 0);
INSERT INTO QuorvelLensAdapter VALUES (15, 'Nikon TC-17E II 1.7x', 1.7, 1.7, 'Tele converter', 0, 0);
INSERT INTO QuorvelLensAdapter VALUES (16, 'Nikon TC-20E III 2x', 2.0, 2.0, 'Tele converter', 0, 0);
INSERT INTO QuorvelLensAdapter VALUES (17, 'Sony SEL14TC 1.4x', 1.4, 1.4, 'Tele converter', 0, 0);
INSERT INTO QuorvelLensAdapter VALUES (18, 'Sony SEL20TC 2x', 2.0, 2.0, 'Tele converter', 0, 0);
INSERT INTO QuorvelLensAdapter VALUES (19, 'SLR Magic Anamorphot-50 1.33x', 0.7518796992481203, 1.0, 'Anamorphic adapter', 0, 0);
INSERT INTO QuorvelLensAdapter VALUES (20, 'SLR Magic Anamorphot-40 1.33x', 0.7518796992481203, 1.0, 'Anamorphic adapter', 0, 0);
INSERT INTO QuorvelLensAdapter VALUES (21, 'Iscorama 36 1.5x', 0.6666666666666666, 1.0, 'Anamorphic adapter', 0, 0);
INSERT INTO QuorvelLensAdapter VALUES (22, 'Panasonic AG-LA7200 1.33x', 0.7518796992481203, 1.0, 'Anamorphic adapter', 0, 0);
